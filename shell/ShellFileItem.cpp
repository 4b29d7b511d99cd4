#include "shell/ShellFileItem.h"

#include <commctrl.h>
#include <shellapi.h>


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
}  // namespace

TShellFileItem::TShellFileItem(TShellItemListing* fileList, LPITEMIDLIST relativeIDList)
    : TShellDataItem(relativeIDList, nullptr), FFileList(fileList)
{
}

int TShellFileItem::ImageIndex()
{
    if (FFileList && FFileList->ViewStyle() == vsIcon) return LargeImageIndex();
    return TShellDataItem::ImageIndex();
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
        FLargeImageIndex = SysIconIndex(AbsoluteIDList(), true, false);
    }
    return FLargeImageIndex;
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

std::wstring TShellFileItem::TypeName()
{
    if (FTypeName.empty()) {
        SHFILEINFOW info{};
        if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(AbsoluteIDList()), 0, &info, sizeof info,
                           SHGFI_TYPENAME | SHGFI_PIDL))
            FTypeName = info.szTypeName;
    }
    return FTypeName;
}

void TShellFileItem::ReloadFindData()
{
    const std::wstring path = Path();
    if (!path.empty()) FindDataOfPath(path, FFindData);
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
    IShellFolder* folder = ParentFolder();
    if (!folder) return false;
    LPITEMIDLIST newIDList = nullptr;
    if (FAILED(folder->SetNameOf(FFileList ? FFileList->ListWindow() : nullptr, RelativeIDList(), newName.c_str(),
                                 ListRenameFlags, &newIDList)))
        return false;
    FAbsoluteIDList.reset();
    FRelativeIDList.reset(newIDList);
    FLargeImageIndex = -1;
    FSelectedIndex = -1;
    FImageIndex = -1;
    FDisplayName.clear();
    FTypeName.clear();
    return true;
}
