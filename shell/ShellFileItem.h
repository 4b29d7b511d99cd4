#pragma once
// A row of the shell list view: one item of the listed folder, with the file
// data behind the size, type, date and attribute columns.
#include "shell/ShellClassCache.h"
#include "shell/ShellDataItem.h"
#include "shell/ShellItemHosts.h"

// What a row shows that costs the shell most: its icon for one size, its
// overlay and its type name. A worker asks them; the row takes them over.
struct TRowInfo {
    bool Large = false;
    int ImageIndex = -1;
    UINT OverlayState = 0;
    std::wstring TypeName;
};

class TShellFileItem : public TShellDataItem {
public:
    // Takes ownership of the relative list, as enumerated in the listing's folder.
    TShellFileItem(TShellItemListing* fileList, LPITEMIDLIST relativeIDList);

    // In icon view the large icon's index, else the small one's.
    int ImageIndex() override;
    int ItemIndex() const override;
    int Level() override;
    LPCITEMIDLIST ParentIDList() override;
    LPCITEMIDLIST AbsoluteIDList() override;
    // Not cached: the icon's size follows the view style.
    int SelectedIndex() override;
    bool IsValid() const override;

    // The find record, fetched while it is empty.
    WIN32_FIND_DATAW FindData();
    // Reads the find record again from the file system (after a change of size, time or attributes).
    void ReloadFindData();
    DWORD Attributes() { return FindData().dwFileAttributes; }
    // The low 32 bits of the size.
    DWORD FileSize() { return FindData().nFileSizeLow; }
    // Whole kilobytes rounded up, e.g. "1,025KB"; empty for folders and non-file-system items.
    std::wstring SizeText();
    // The shell's type name, asked once and kept.
    std::wstring TypeName();
    // The local last-write time as the locale's short date and short time; empty without one.
    std::wstring DateText();
    // "R", "H", "S", "A" for each of those attributes that is set.
    std::wstring AttributeLetters();
    // The list view's overlay state mask.
    UINT OverlayState();
    // Gives the item a new name; the find record keeps the old one until the listing refreshes it.
    bool Rename(const std::wstring& newName);

    // The row's icon, overlay and type name as the shell answers them, asked now.
    TRowInfo AskRowInfo(bool large);
    // Whether the icon of the size, the overlay and the type name are known.
    bool RowInfoKnown(bool large) const { return FRowInfoKnown[large]; }
    // Takes what the item's class has in common from the class cache, and
    // then asks the overlay alone; false, and nothing taken, while the
    // class's icon or type name is not known.
    bool TakeClassInfo(bool large);
    void SetRowInfo(const TRowInfo& info);
    // What is known without asking the shell: the icon of the size (-1 while
    // unknown), the overlay and the type name (0 and empty while unknown).
    int KnownImageIndex(bool large) const { return large ? FLargeImageIndex : FImageIndex; }
    UINT KnownOverlayState() const { return FOverlayKnown ? FOverlayState : 0; }
    const std::wstring& KnownTypeName() const { return FTypeName; }

protected:
    // The listing's own folder: the rows of a folder share the one bound folder.
    Microsoft::WRL::ComPtr<IShellFolder> BindParentFolder() override;

private:
    int SmallImageIndex();
    int LargeImageIndex();
    // The icon the shell gives the item, taken from the item's class when the
    // shell calls that icon the class's.
    int SystemIconIndex(bool large);
    // The icon the shell gives this item alone.
    int OwnIconIndex(bool large);
    // The class under which the item may share what its class has in common:
    // a file's extension, or the one class of plain folders; empty for other
    // folders, items outside the file system, names without an extension and,
    // for the icon, shortcuts and the kinds that carry their own icons.
    std::wstring ClassKey(bool forIcon);
    // A file-system folder that nothing gives an icon or a type of its own.
    bool IsPlainFolder();
    // Whether the icon of the item's class is the class's, as the item's icon handler tells.
    TClassIcon AskIconKind();
    // The item's path, read from its folder (empty outside the file system).
    std::wstring FileSystemPath();

    TShellItemListing* FFileList;
    int FLargeImageIndex = -1;
    WIN32_FIND_DATAW FFindData{};
    std::wstring FTypeName;
    bool FTypeNameKnown = false;
    UINT FOverlayState = 0;
    bool FOverlayKnown = false;
    // Per size, small then large: the row has taken its answers (which may be
    // failures: an icon of -1, an empty type name) and asks no more.
    bool FRowInfoKnown[2] = {false, false};
};
