#pragma once
// What the items of one class (the files of an extension, or every plain
// folder) have in common, asked of the shell once and kept for the whole
// process: the class's icon in the system image list (for the classes whose
// icon the shell calls the class's, not each file's own) and the class's type
// name. Asking the shell for one row costs a bind of the
// row's folder, which grows with the folder under Wine; a screenful of a big
// folder mostly holds a handful of classes.
#include <mutex>
#include <string>
#include <unordered_map>

// What the shell said of a class's icon.
enum class TClassIcon { ciUnknown, ciPerClass, ciPerInstance };

class TShellClassCache {
public:
    // Classes are extensions as the file names carry them, with the dot
    // (".txt"), or the plain folders' own key; icons are kept per lower-cased
    // extension, type names per extension as written, since a shell may spell
    // an unregistered type after the name's own case.
    TClassIcon IconKind(const std::wstring& extension) const;
    void SetIconKind(const std::wstring& extension, TClassIcon kind);
    // The class's icon index for the size, when a file of the class asked for it.
    bool Icon(const std::wstring& extension, bool large, int& index) const;
    void SetIcon(const std::wstring& extension, bool large, int index);
    bool TypeName(const std::wstring& extension, std::wstring& name) const;
    void SetTypeName(const std::wstring& extension, const std::wstring& name);
    void Clear();

private:
    struct TIconEntry {
        TClassIcon Kind = TClassIcon::ciUnknown;
        int Small = -1;
        int Large = -1;
    };

    mutable std::mutex FLock;
    std::unordered_map<std::wstring, TIconEntry> FIcons;
    std::unordered_map<std::wstring, std::wstring> FTypeNames;
};

// The process's one cache.
TShellClassCache& ShellClassCache();
// Forgets every class: call it when the system image list or the associations
// may have changed (a settings change that rebuilds the views).
void ClearShellClassCache();
