#include "shell/ShellFileItem.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>

using Microsoft::WRL::ComPtr;

namespace {
// SetNameOf flags that the list view passes with a new name.
constexpr DWORD ListRenameFlags = 0x60;

std::wstring LocaleText(LCTYPE type)
{
    wchar_t text[80] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, int(std::size(text)));
    return text;
}

// The "#,##0" pattern: groups of three digits with the locale's separator.
std::wstring GroupedNumber(unsigned long long value)
{
    const std::wstring digits = std::to_wstring(value);
    const std::wstring separator = LocaleText(LOCALE_STHOUSAND);
    std::wstring text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
        text += digits[i];
    }
    return text;
}

std::wstring ShortDateTimeText(const SYSTEMTIME& time)
{
    wchar_t date[80] = {};
    wchar_t clock[80] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, int(std::size(date)), nullptr);
    const std::wstring shortTime = LocaleText(LOCALE_SSHORTTIME);
    if (shortTime.empty())
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, int(std::size(clock)));
    else
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, shortTime.c_str(), clock, int(std::size(clock)));
    return std::wstring(date) + L' ' + clock;
}

// Files of these kinds carry their own icon, whatever a shell says of their
// class. Shortcuts (.lnk, .url, .pif) are known by their link attribute.
bool OwnIconKind(const std::wstring& extension)
{
    static constexpr std::array<const wchar_t*, 9> kinds = {L".exe", L".com", L".scr", L".cpl", L".ico",
                                                            L".cur", L".ani", L".icl", L".msc"};
    return std::any_of(kinds.begin(), kinds.end(), [&](const wchar_t* kind) {
        return CompareStringOrdinal(extension.c_str(), int(extension.size()), kind, -1, TRUE) == CSTR_EQUAL;
    });
}

// The class all plain folders share; no extension is spelt so.
constexpr wchar_t kPlainFolderClass[] = L"<folder>";

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}
}  // namespace

TShellFileItem::TShellFileItem(TShellItemListing* fileList, LPITEMIDLIST relativeIDList)
    : TShellDataItem(relativeIDList, nullptr), FFileList(fileList)
{
}

ComPtr<IShellFolder> TShellFileItem::BindParentFolder()
{
    if (FFileList && FFileList->FolderLevel() > 0)
        if (ComPtr<IShellFolder> folder = FFileList->ShellFolder()) return folder;
    return TShellDataItem::BindParentFolder();
}

int TShellFileItem::ImageIndex()
{
    if (FFileList && FFileList->ViewStyle() == vsIcon) return LargeImageIndex();
    return SmallImageIndex();
}

int TShellFileItem::SmallImageIndex()
{
    if (FImageIndex != -1) return FImageIndex;
    if (!ParentFolder()) return -1;
    FImageIndex = SystemIconIndex(false);
    return FImageIndex;
}

int TShellFileItem::LargeImageIndex()
{
    if (FLargeImageIndex != -1) return FLargeImageIndex;
    ComPtr<IShellFolder> folder = FFileList->ShellFolder();
    if (!folder) return -1;
    ComPtr<IShellIcon> shellIcon;
    int index = -1;
    if (SUCCEEDED(folder.As(&shellIcon)) && shellIcon->GetIconOf(RelativeIDList(), GIL_FORSHELL, &index) == S_OK) {
        FLargeImageIndex = index;
    } else {
        FLargeImageIndex = SystemIconIndex(true);
    }
    return FLargeImageIndex;
}

int TShellFileItem::SystemIconIndex(bool large)
{
    const std::wstring iconClass = ClassKey(true);
    if (iconClass.empty()) return OwnIconIndex(large);
    TShellClassCache& cache = ShellClassCache();
    int index;
    if (cache.Icon(iconClass, large, index)) return index;
    TClassIcon kind = cache.IconKind(iconClass);
    if (kind == TClassIcon::ciUnknown) {
        kind = AskIconKind();
        if (kind != TClassIcon::ciUnknown) cache.SetIconKind(iconClass, kind);
    }
    index = OwnIconIndex(large);
    if (kind == TClassIcon::ciPerClass) cache.SetIcon(iconClass, large, index);
    return index;
}

// SHGetFileInfo binds the item's folder anew, and under Wine a bind reads the
// whole folder; the folder held already maps the item to the same index. Not
// for shortcuts: Wine's mapping draws the shortcut arrow into their image.
int TShellFileItem::OwnIconIndex(bool large)
{
    IShellFolder* folder = ParentFolder();
    if (folder && !HasAttribute(iaLink)) {
        const int index = SHMapPIDLToSystemImageListIndex(folder, FolderIDList(), nullptr);
        if (index >= 0) return index;
    }
    return SysIconIndex(AbsoluteIDList(), large, false);
}

std::wstring TShellFileItem::ClassKey(bool forIcon)
{
    IShellFolder* folder = ParentFolder();
    LPCITEMIDLIST item = FolderIDList();
    ULONG attributes = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_LINK;
    if (!folder || !item || FAILED(folder->GetAttributesOf(1, &item, &attributes))) return {};
    if (!(attributes & SFGAO_FILESYSTEM)) return {};
    if (attributes & SFGAO_FOLDER) return IsPlainFolder() ? kPlainFolderClass : L"";
    if (forIcon && (attributes & SFGAO_LINK)) return {};
    std::wstring name;
    if (!DisplayNameOf(folder, item, SHGDN_INFOLDER | SHGDN_FORPARSING, name)) return {};
    const std::wstring extension = PathFindExtensionW(name.c_str());
    if (extension.size() < 2 || (forIcon && OwnIconKind(extension))) return {};
    return extension;
}

// A desktop.ini may give a folder an icon and a type of its own; Windows reads
// it only for read-only or system folders, Wine for any folder that has one.
bool TShellFileItem::IsPlainFolder()
{
    // A file the shell shows as a folder (an archive) is no directory.
    const DWORD attributes = Attributes();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)))
        return false;
    const std::wstring path = FileSystemPath();
    return !path.empty() && GetFileAttributesW((path + L"\\desktop.ini").c_str()) == INVALID_FILE_ATTRIBUTES;
}

TClassIcon TShellFileItem::AskIconKind()
{
    IShellFolder* folder = ParentFolder();
    LPCITEMIDLIST item = FolderIDList();
    ComPtr<IExtractIconW> extract;
    if (!folder || !item ||
        FAILED(folder->GetUIObjectOf(FFileList ? FFileList->ListWindow() : nullptr, 1, &item, IID_IExtractIconW,
                                     nullptr, reinterpret_cast<void**>(extract.GetAddressOf()))))
        return TClassIcon::ciUnknown;
    wchar_t location[MAX_PATH] = {};
    int index = 0;
    UINT flags = 0;
    if (extract->GetIconLocation(GIL_FORSHELL, location, MAX_PATH, &index, &flags) != S_OK)
        return TClassIcon::ciUnknown;
    if (flags & GIL_PERCLASS) return TClassIcon::ciPerClass;
    if (flags & (GIL_PERINSTANCE | GIL_NOTFILENAME | GIL_DONTCACHE)) return TClassIcon::ciPerInstance;
    // Wine sets none of the flags: there an icon kept in a file other than the item is its class's.
    const std::wstring own = FileSystemPath();
    return own.empty() || SamePath(location, own) ? TClassIcon::ciPerInstance : TClassIcon::ciPerClass;
}

int TShellFileItem::ItemIndex() const { return FFileList ? FFileList->IndexOf(this) : -1; }

int TShellFileItem::Level() { return FFileList ? FFileList->FolderLevel() + 1 : -1; }

LPCITEMIDLIST TShellFileItem::ParentIDList() { return FFileList ? FFileList->FolderIDList() : nullptr; }

LPCITEMIDLIST TShellFileItem::AbsoluteIDList()
{
    if (!FAbsoluteIDList && FFileList) {
        if (FFileList->FolderLevel() != 0)
            FAbsoluteIDList.reset(ConcatIDLists(FFileList->FolderIDList(), RelativeIDList()));
        else
            FAbsoluteIDList.reset(CopyFirstItemID(RelativeIDList()));
    }
    return FAbsoluteIDList.get();
}

int TShellFileItem::SelectedIndex()
{
    return SysIconIndex(AbsoluteIDList(), FFileList && FFileList->ViewStyle() == vsIcon, false);
}

bool TShellFileItem::IsValid() const { return FFileList && FRelativeIDList; }

WIN32_FIND_DATAW TShellFileItem::FindData()
{
    if (FFindData.cFileName[0] == L'\0') {
        WIN32_FIND_DATAW data{};
        bool fetched;
        // Desktop items may live in the user's or the common Desktop directory:
        // their own path says which.
        if (Level() == 1) {
            fetched = FindDataOfPath(Path(), data);
        } else {
            IShellFolder* folder = ParentFolder();
            fetched = folder && SUCCEEDED(SHGetDataFromIDListW(folder, RelativeIDList(), SHGDFIL_FINDDATA, &data,
                                                               sizeof data));
        }
        if (fetched) FFindData = data;
    }
    return FFindData;
}

std::wstring TShellFileItem::SizeText()
{
    if (!HasAttribute(iaFileSystem) || HasAttribute(iaFolder)) return {};
    const unsigned long long kilobytes = (static_cast<unsigned long long>(FileSize()) + 1023) / 1024;
    return GroupedNumber(kilobytes) + L"KB";
}

// A file's type name is its class's, and so is a plain folder's: the first
// item of a class asks the shell for all.
std::wstring TShellFileItem::TypeName()
{
    if (FTypeNameKnown) return FTypeName;
    const std::wstring typeClass = ClassKey(false);
    if (!typeClass.empty() && ShellClassCache().TypeName(typeClass, FTypeName)) {
        FTypeNameKnown = true;
        return FTypeName;
    }
    SHFILEINFOW info{};
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(AbsoluteIDList()), 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_PIDL))
        FTypeName = info.szTypeName;
    // An empty answer is asked again next time.
    FTypeNameKnown = !FTypeName.empty();
    if (!typeClass.empty() && FTypeNameKnown) ShellClassCache().SetTypeName(typeClass, FTypeName);
    return FTypeName;
}

TRowInfo TShellFileItem::AskRowInfo(bool large)
{
    TRowInfo info;
    info.Large = large;
    info.ImageIndex = large ? LargeImageIndex() : SmallImageIndex();
    info.OverlayState = OverlayState();
    info.TypeName = TypeName();
    return info;
}

bool TShellFileItem::TakeClassInfo(bool large)
{
    const std::wstring iconClass = ClassKey(true);
    if (iconClass.empty()) return false;
    int index;
    std::wstring typeName;
    if (!ShellClassCache().Icon(iconClass, large, index) || !ShellClassCache().TypeName(iconClass, typeName))
        return false;
    SetRowInfo({large, index, OverlayState(), typeName});
    return true;
}

void TShellFileItem::SetRowInfo(const TRowInfo& info)
{
    (info.Large ? FLargeImageIndex : FImageIndex) = info.ImageIndex;
    FOverlayState = info.OverlayState;
    FOverlayKnown = true;
    FTypeName = info.TypeName;
    FTypeNameKnown = true;
    FRowInfoKnown[info.Large] = true;
}

void TShellFileItem::ReloadFindData()
{
    const std::wstring path = FileSystemPath();
    if (!path.empty()) FindDataOfPath(path, FFindData);
}

// The parsing name is what SHGetPathFromIDList answers for a file-system item;
// asked of the folder held, it spares that call's bind of the folder for each
// row. Desktop items keep their own path (they may live in either Desktop directory).
std::wstring TShellFileItem::FileSystemPath()
{
    IShellFolder* folder = ParentFolder();
    if (Level() < 2 || !folder) return Path();
    std::wstring path;
    if (HasAttribute(iaFileSystem)) DisplayNameOf(folder, RelativeIDList(), SHGDN_FORPARSING, path);
    return path;
}

std::wstring TShellFileItem::DateText()
{
    const TDateTime time = FileTimeToLocalDateTime(FindData().ftLastWriteTime);
    SYSTEMTIME local;
    // No recorded time shows no date rather than the first day of the calendar.
    if (time == 0 || !VariantTimeToSystemTime(time, &local)) return {};
    return ShortDateTimeText(local);
}

std::wstring TShellFileItem::AttributeLetters()
{
    const DWORD attributes = Attributes();
    std::wstring letters;
    if (attributes & FILE_ATTRIBUTE_READONLY) letters += L'R';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += L'H';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += L'S';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += L'A';
    return letters;
}

UINT TShellFileItem::OverlayState()
{
    if (ComPtr<IShellIconOverlay> overlay = IconOverlay()) {
        int index = 0;
        return overlay->GetOverlayIndex(FolderIDList(), &index) == S_OK ? INDEXTOOVERLAYMASK(index) : 0;
    }
    if (HasAttribute(iaShare)) return INDEXTOOVERLAYMASK(1);
    if (HasAttribute(iaLink)) return INDEXTOOVERLAYMASK(2);
    return 0;
}

bool TShellFileItem::Rename(const std::wstring& newName)
{
    LPITEMIDLIST newIDList = SetName(FFileList ? FFileList->ListWindow() : nullptr, newName, ListRenameFlags);
    if (!newIDList) return false;
    FAbsoluteIDList.reset();
    FRelativeIDList.reset(newIDList);
    FLargeImageIndex = -1;
    FSelectedIndex = -1;
    FImageIndex = -1;
    FDisplayName.clear();
    FTypeName.clear();
    FTypeNameKnown = FOverlayKnown = false;
    FRowInfoKnown[false] = FRowInfoKnown[true] = false;
    return true;
}
