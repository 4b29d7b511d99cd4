#pragma once
// The shell toolbox beside the identifier lists: the kinds of namespace
// items, the special-folder and attribute tables, display names, paths,
// icons, and a few path, volume, date and key-state helpers. Nothing here
// raises for a missing argument or a failed shell call: each answers its
// neutral value.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "shell/ShellIDFunc.h"
#include "ui/ShiftState.h"

class TWinControl;

// The kind of a namespace item. itInterNet is never produced by ItemIDTypeOf.
enum TShItemIDType : std::uint8_t {
    itDeskTop, itMyComputer, itRootDrive, itFolder, itFile,
    itInterNet, itBitBucket, itNetWork, itVirtual, itUnknown
};

// A set of the virtual kinds itBitBucket..itVirtual; each kind is the bit of its ordinal.
class TShVirtuaItems {
public:
    constexpr TShVirtuaItems() = default;
    constexpr TShVirtuaItems(std::initializer_list<TShItemIDType> kinds)
    {
        for (TShItemIDType kind : kinds) FBits = std::uint16_t(FBits | (1u << kind));
    }
    constexpr bool Contains(TShItemIDType kind) const { return (FBits & (1u << kind)) != 0; }
    constexpr std::uint16_t Bits() const { return FBits; }
    constexpr bool operator==(const TShVirtuaItems&) const = default;

private:
    std::uint16_t FBits = 0;
};

// Index into ShSpecialFolderCSIDL.
using TShSpecialFolder = std::uint8_t;
inline constexpr TShSpecialFolder sfDesktop = 0, sfBitBucket = 10, sfDesktopDirectory = 12,
                                  sfDrives = 13, sfNetwork = 14;
inline constexpr std::array<int, 30> ShSpecialFolderCSIDL = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
    0x0A, 0x0B, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
    0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22};

// Index into ShItemAttributeMask. iaGhosted has always carried the hidden
// mask; the two entries stay alike so that an index means what it always did.
enum TShItemAttribute : std::uint8_t {
    iaCanCopy, iaCanMove, iaCanLink, iaCanRename, iaCanDelete, iaHasPropSheet, iaDropTarget,
    iaCapabilityMask, iaLink, iaShare, iaReadOnly, iaGhosted, iaHidden, iaDisplayAttrMask,
    iaFileSysAncestor, iaFolder, iaFileSystem, iaHasSubFolder, iaContentsMask, iaValidate,
    iaRemovable, iaCompressed, iaBrowsable, iaNonEnumerated, iaNewContent
};
inline constexpr std::array<ULONG, 25> ShItemAttributeMask = {
    0x00000001, 0x00000002, 0x00000004, 0x00000010, 0x00000020, 0x00000040, 0x00000100,
    0x00000177, 0x00010000, 0x00020000, 0x00040000, 0x00080000, 0x00080000, 0x000F0000,
    0x10000000, 0x20000000, 0x40000000, 0x80000000, 0x80000000, 0x01000000,
    0x02000000, 0x04000000, 0x08000000, 0x00100000, 0x00200000};

// True when the folder's GetAttributesOf sets every bit of the attribute's mask for the item.
bool HasShellAttribute(IShellFolder* folder, LPCITEMIDLIST item, TShItemAttribute attribute);

// The kind of an item (or a listed folder) from its level, its list and its attributes.
TShItemIDType ItemIDTypeOf(int level, LPCITEMIDLIST list,
                           const std::function<bool(TShItemAttribute)>& hasAttribute);

// The item's display name as UTF-16; true with an empty text when folder or list is missing.
bool DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, std::wstring& name);
// The whole file-system path of an absolute list, however long; false when it has none.
bool PathFromIDList(LPCITEMIDLIST list, std::wstring& path);
// The absolute list of a special folder; the out list is cleared first.
bool SpecialFolderIDList(TShSpecialFolder folder, LPITEMIDLIST& list);
bool SpecialFolderIDList(TShSpecialFolder folder, TIDListPtr& list);
// The absolute list of a parsed path; the out list is cleared first.
bool IDListFromPath(const std::wstring& path, LPITEMIDLIST& list);
bool IDListFromPath(const std::wstring& path, TIDListPtr& list);
// The drop target that the item's parent folder hands out for the item of an absolute list.
bool DropTargetOfIDList(LPCITEMIDLIST list, HWND owner, Microsoft::WRL::ComPtr<IDropTarget>& target);
// Index into the system image list; 0 for none or when the shell cannot tell.
int SysIconIndex(LPCITEMIDLIST list, bool large, bool open);
// The shell's shared system image list.
HIMAGELIST SystemImageList(bool large);

// The volume's label as LabelCase shows it; empty when it cannot be read.
void VolumeLabelOf(const std::wstring& root, std::wstring& label);
// A label as the volume stores it, shown in lower case but for a first letter
// a to z, which is a capital: "DATA DISK" becomes "Data disk".
std::wstring LabelCase(std::wstring label);
std::wstring IncludeBackslash(const std::wstring& path);
bool IsExistingDirectory(const std::wstring& path);
// The last-write time of a file or directory in 100 ns ticks; 0 when it cannot be read.
ULONGLONG LastWriteTicks(const std::wstring& path);
// The path in the form that the file functions accept beyond MAX_PATH characters.
std::wstring LongPathForm(const std::wstring& path);
// The find record of one path (FindFirstFile, handle closed at once); false leaves it untouched.
bool FindDataOfPath(const std::wstring& path, WIN32_FIND_DATAW& data);

// An OLE automation date: days since 30 December 1899, the time of day as the fraction.
using TDateTime = double;
// 0 when either half of the time is zero (no time recorded).
TDateTime FileTimeToLocalDateTime(const FILETIME& time);

TShiftState KeyStateToShift(DWORD keyState);
// Sets or clears style bits of the control's window, when it has one.
void SetWindowStyleBits(TWinControl* control, DWORD bits, bool on);

// The window that owns the shell's dialogs: the application window, when there is one.
HWND ShellOwnerWindow();
// The main form's window, else the application window.
HWND MainWindow();
