#include "shell/ShellClassCache.h"

#include <windows.h>

namespace {
// File names compare without case: so do the classes their extensions name.
std::wstring IconKey(const std::wstring& extension)
{
    std::wstring key = extension;
    if (!key.empty()) CharLowerBuffW(key.data(), DWORD(key.size()));
    return key;
}
}  // namespace

TClassIcon TShellClassCache::IconKind(const std::wstring& extension) const
{
    std::lock_guard lock(FLock);
    const auto found = FIcons.find(IconKey(extension));
    return found == FIcons.end() ? TClassIcon::ciUnknown : found->second.Kind;
}

void TShellClassCache::SetIconKind(const std::wstring& extension, TClassIcon kind)
{
    std::lock_guard lock(FLock);
    FIcons[IconKey(extension)].Kind = kind;
}

bool TShellClassCache::Icon(const std::wstring& extension, bool large, int& index) const
{
    std::lock_guard lock(FLock);
    const auto found = FIcons.find(IconKey(extension));
    if (found == FIcons.end() || found->second.Kind != TClassIcon::ciPerClass) return false;
    const int known = large ? found->second.Large : found->second.Small;
    if (known < 0) return false;
    index = known;
    return true;
}

void TShellClassCache::SetIcon(const std::wstring& extension, bool large, int index)
{
    std::lock_guard lock(FLock);
    TIconEntry& entry = FIcons[IconKey(extension)];
    (large ? entry.Large : entry.Small) = index;
}

bool TShellClassCache::TypeName(const std::wstring& extension, std::wstring& name) const
{
    std::lock_guard lock(FLock);
    const auto found = FTypeNames.find(extension);
    if (found == FTypeNames.end()) return false;
    name = found->second;
    return true;
}

void TShellClassCache::SetTypeName(const std::wstring& extension, const std::wstring& name)
{
    std::lock_guard lock(FLock);
    FTypeNames[extension] = name;
}

void TShellClassCache::Clear()
{
    std::lock_guard lock(FLock);
    FIcons.clear();
    FTypeNames.clear();
}

TShellClassCache& ShellClassCache()
{
    static TShellClassCache cache;
    return cache;
}

void ClearShellClassCache()
{
    ShellClassCache().Clear();
}
