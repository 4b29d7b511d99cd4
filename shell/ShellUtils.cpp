#include "shell/ShellUtils.h"

#include <oleauto.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "ui/Application.h"
#include "ui/Text.h"
#include "ui/WinControl.h"

using Microsoft::WRL::ComPtr;

namespace {
// The longest path the file system can hand back, in characters.
constexpr DWORD LongestPath = 32768;

constexpr DWORD SysIconIndexFlags = SHGFI_SYSICONINDEX | SHGFI_PIDL;  // 0x4008

bool IsSpecialFolder(IShellFolder* desktop, LPCITEMIDLIST list, TShSpecialFolder folder)
{
    TIDListPtr special;
    if (!SpecialFolderIDList(folder, special)) return false;
    return CompareItemIDs(desktop, special.get(), list) == crSame;
}
}  // namespace

bool HasShellAttribute(IShellFolder* folder, LPCITEMIDLIST item, TShItemAttribute attribute)
{
    if (!folder || !item || attribute >= ShItemAttributeMask.size()) return false;
    const ULONG mask = ShItemAttributeMask[attribute];
    ULONG answer = mask;
    if (FAILED(folder->GetAttributesOf(1, &item, &answer))) return false;
    return (answer & mask) == mask;
}

TShItemIDType ItemIDTypeOf(int level, LPCITEMIDLIST list,
                           const std::function<bool(TShItemAttribute)>& hasAttribute)
{
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return itUnknown;
    switch (level) {
    case 0:
        return itDeskTop;
    case 1:
        if (IsSpecialFolder(desktop.Get(), list, sfDrives)) return itMyComputer;
        if (IsSpecialFolder(desktop.Get(), list, sfNetwork)) return itNetWork;
        if (IsSpecialFolder(desktop.Get(), list, sfBitBucket)) return itBitBucket;
        if (!hasAttribute(iaFileSystem) || hasAttribute(iaFolder)) return itFolder;
        return itFile;
    case 2:
        if (!hasAttribute(iaFileSystem)) return itVirtual;
        if (hasAttribute(iaFileSysAncestor)) return itRootDrive;
        return hasAttribute(iaFolder) ? itFolder : itFile;
    default:
        if (!hasAttribute(iaFileSystem)) return itVirtual;
        return hasAttribute(iaFolder) ? itFolder : itFile;
    }
}

bool DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, std::wstring& name)
{
    name.clear();
    if (!folder || !item) return true;
    STRRET answer{};
    if (FAILED(folder->GetDisplayNameOf(item, flags, &answer))) return false;
    switch (answer.uType) {
    case STRRET_WSTR:
        if (answer.pOleStr) name = answer.pOleStr;
        CoTaskMemFree(answer.pOleStr);
        return true;
    case STRRET_OFFSET:
        name = BytesToWide(reinterpret_cast<const char*>(item) + answer.uOffset, CP_ACP);
        return true;
    case STRRET_CSTR: {
        const char* text = answer.cStr;
        name = BytesToWide(std::string_view(text, strnlen(text, std::size(answer.cStr))), CP_ACP);
        return true;
    }
    default:
        return false;
    }
}

bool PathFromIDList(LPCITEMIDLIST list, std::wstring& path)
{
    path.clear();
    if (!list) return false;
    // The older call stops at MAX_PATH; this one fills a buffer of any size.
    std::vector<wchar_t> buffer(LongestPath, L'\0');
    if (!SHGetPathFromIDListEx(list, buffer.data(), LongestPath, GPFIDL_DEFAULT)) return false;
    path = buffer.data();
    return !path.empty();
}

bool SpecialFolderIDList(TShSpecialFolder folder, LPITEMIDLIST& list)
{
    list = nullptr;
    if (folder >= ShSpecialFolderCSIDL.size()) return false;
    return SUCCEEDED(SHGetSpecialFolderLocation(ShellOwnerWindow(), ShSpecialFolderCSIDL[folder], &list));
}

bool SpecialFolderIDList(TShSpecialFolder folder, TIDListPtr& list)
{
    LPITEMIDLIST raw;
    bool ok = SpecialFolderIDList(folder, raw);
    list.reset(raw);
    return ok;
}

bool IDListFromPath(const std::wstring& path, LPITEMIDLIST& list)
{
    list = nullptr;
    if (path.empty()) return false;
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return false;
    std::wstring name = path;  // ParseDisplayName takes a writable text
    return SUCCEEDED(desktop->ParseDisplayName(ShellOwnerWindow(), nullptr, name.data(), nullptr, &list, nullptr));
}

bool IDListFromPath(const std::wstring& path, TIDListPtr& list)
{
    LPITEMIDLIST raw;
    bool ok = IDListFromPath(path, raw);
    list.reset(raw);
    return ok;
}

bool DropTargetOfIDList(LPCITEMIDLIST list, HWND owner, ComPtr<IDropTarget>& target)
{
    target.Reset();
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST item = nullptr;
    if (!list || FAILED(SHBindToParent(list, IID_PPV_ARGS(&parent), &item))) return false;
    return SUCCEEDED(parent->GetUIObjectOf(owner, 1, &item, IID_IDropTarget, nullptr,
                                           reinterpret_cast<void**>(target.ReleaseAndGetAddressOf())));
}

int SysIconIndex(LPCITEMIDLIST list, bool large, bool open)
{
    if (!list) return 0;
    UINT flags = SysIconIndexFlags;
    if (!large) flags |= SHGFI_SMALLICON;
    if (open) flags |= SHGFI_OPENICON;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, flags)) return 0;
    return info.iIcon;
}

HIMAGELIST SystemImageList(bool large)
{
    TIDListPtr desktop;
    if (!SpecialFolderIDList(sfDesktop, desktop)) return nullptr;
    SHFILEINFOW info{};
    UINT flags = large ? SysIconIndexFlags : SysIconIndexFlags | SHGFI_SMALLICON;
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(desktop.get()), 0, &info, sizeof info, flags));
}

void VolumeLabelOf(const std::wstring& root, std::wstring& label)
{
    label.clear();
    // A drive without a medium must not bring up the system's critical-error box.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    wchar_t name[MAX_PATH + 1] = {};
    const bool ok = GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(oldMode);
    if (ok) label = LabelCase(name);
}

std::wstring LabelCase(std::wstring label)
{
    CharLowerBuffW(label.data(), DWORD(label.size()));
    if (!label.empty() && label[0] >= L'a' && label[0] <= L'z') label[0] = wchar_t(label[0] - L'a' + L'A');
    return label;
}

std::wstring IncludeBackslash(const std::wstring& path)
{
    if (!path.empty() && path.back() == L'\\') return path;
    return path + L'\\';
}

bool IsExistingDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

ULONGLONG LastWriteTicks(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}.QuadPart;
}

std::wstring LongPathForm(const std::wstring& path)
{
    if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\")) return path;
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

bool FindDataOfPath(const std::wstring& path, WIN32_FIND_DATAW& data)
{
    if (path.empty()) return false;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(LongPathForm(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    data = found;
    return true;
}

TDateTime FileTimeToLocalDateTime(const FILETIME& time)
{
    if (time.dwLowDateTime == 0 || time.dwHighDateTime == 0) return 0;
    FILETIME local;
    SYSTEMTIME system;
    double result = 0;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &system) ||
        !SystemTimeToVariantTime(&system, &result))
        return 0;
    return result;
}

TShiftState KeyStateToShift(DWORD keyState)
{
    TShiftState shift;
    if (keyState & MK_LBUTTON) shift.Include(ssLeft);
    if (keyState & MK_RBUTTON) shift.Include(ssRight);
    if (keyState & MK_SHIFT) shift.Include(ssShift);
    if (keyState & MK_CONTROL) shift.Include(ssCtrl);
    if (keyState & MK_MBUTTON) shift.Include(ssMiddle);
    if (keyState & MK_ALT) shift.Include(ssAlt);
    return shift;
}

void SetWindowStyleBits(TWinControl* control, DWORD bits, bool on)
{
    if (!control || !control->Handle()) return;
    LONG_PTR style = GetWindowLongPtrW(control->Handle(), GWL_STYLE);
    style = on ? (style | LONG_PTR(bits)) : (style & ~LONG_PTR(bits));
    SetWindowLongPtrW(control->Handle(), GWL_STYLE, style);
}

HWND ShellOwnerWindow() { return Application ? Application->Handle() : nullptr; }

HWND MainWindow()
{
    if (Application && Application->MainForm()) return Application->MainForm()->Handle();
    return ShellOwnerWindow();
}
