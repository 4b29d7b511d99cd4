#include "tests/app/TempDocuments.h"

#include <gtest/gtest.h>

namespace {
void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(folder + name + L"\\");
            else DeleteFileW((folder + name).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}
}  // namespace

TempDocuments::TempDocuments()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    FFolder = std::wstring(temp) + L"tessaly-docs-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial) + L"\\";
    RemoveTree(FFolder);  // left by a run that was cut short
    EXPECT_TRUE(CreateDirectoryW(FFolder.c_str(), nullptr));
}

TempDocuments::~TempDocuments()
{
    RemoveTree(FFolder);
}

void TempDocuments::Write(const std::wstring& name, const std::string& bytes) const
{
    HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(written, bytes.size());
}
