#pragma once
// A fresh folder of documents for one test, removed with everything in it.
#include <windows.h>

#include <string>

class TempDocuments {
public:
    TempDocuments();
    ~TempDocuments();
    TempDocuments(const TempDocuments&) = delete;
    TempDocuments& operator=(const TempDocuments&) = delete;

    // The folder, with a separator at its end.
    const std::wstring& Folder() const { return FFolder; }
    std::wstring Path(const std::wstring& name) const { return FFolder + name; }
    void Write(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring FFolder;
};
