#pragma once
// Item identifier lists: the shell allocator that owns them, and measuring,
// copying, joining and splitting them. Every function accepts a missing list
// and then answers its neutral value (none, 0, -1 or crFailed). Sizes are
// the shell's 16-bit quantities and are computed in 16-bit arithmetic.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <memory>

// The shell task allocator, held from ShellLibraryStart to the matching end.
extern Microsoft::WRL::ComPtr<IMalloc> ShellMalloc;

// Initialises OLE and obtains ShellMalloc; nested starts are counted and only
// the first does the work. Raises EOleError when the allocator cannot be had.
void ShellLibraryStart();
// Ends one start; the last end releases ShellMalloc and uninitialises OLE.
void ShellLibraryEnd();

// One start/end pair for the lifetime of a scope (the program's entry, a test run).
class TShellLibraryScope {
public:
    TShellLibraryScope() { ShellLibraryStart(); }
    ~TShellLibraryScope() { ShellLibraryEnd(); }
    TShellLibraryScope(const TShellLibraryScope&) = delete;
    TShellLibraryScope& operator=(const TShellLibraryScope&) = delete;
};

// A zero-filled buffer of `size` bytes from ShellMalloc; none when it fails.
LPITEMIDLIST AllocIDList(WORD size);
// Frees the list through ShellMalloc and sets the reference to none.
void FreeIDList(LPITEMIDLIST& list);

// The first item's count + 2; 0 for none or for the terminator.
WORD IDListItemSize(LPCITEMIDLIST list);
// All item counts + 2; 0 for none.
WORD IDListSize(LPCITEMIDLIST list);
// The address just past the first item, unchecked.
LPITEMIDLIST NextItemID(LPCITEMIDLIST list);
// The following item when both it and the current item are non-empty.
LPITEMIDLIST NextIDListItem(LPCITEMIDLIST list);

// New lists, owned by the caller (free them with FreeIDList).
LPITEMIDLIST CopyFirstItemID(LPCITEMIDLIST list);
LPITEMIDLIST CopyIDList(LPCITEMIDLIST list);
LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
// Joins `part` to `accumulated` and frees both (a lone one is copied and freed).
LPITEMIDLIST JoinIDLists(LPITEMIDLIST& accumulated, LPITEMIDLIST& part);
// All items but the last; none for a one-item list.
LPITEMIDLIST ParentIDListOf(LPCITEMIDLIST list);
LPITEMIDLIST LastItemIDOf(LPCITEMIDLIST list);

enum TIDCompareResult { crSame, crGreater, crLess, crFailed };

// Orders two lists through the folder's CompareIDs (column 0).
TIDCompareResult CompareItemIDs(IShellFolder* folder, LPCITEMIDLIST list1, LPCITEMIDLIST list2);
// The signed low word of a CompareIDs answer: the shell's order of two items.
inline short CompareIDsOrder(HRESULT result) { return short(LOWORD(result)); }
bool IsDesktopIDList(IShellFolder* desktop, LPCITEMIDLIST list);
// The Desktop calls the two absolute lists the same item; false when either is missing.
bool IsSameIDList(LPCITEMIDLIST list1, LPCITEMIDLIST list2);
// -1 for none or without a Desktop folder, 0 for the Desktop, else the item count.
int IDListLevel(LPCITEMIDLIST list);

// Owns one list in our own code; the toolbox functions keep raw pointers.
struct TIDListDeleter {
    void operator()(ITEMIDLIST* list) const { FreeIDList(list); }
};
using TIDListPtr = std::unique_ptr<ITEMIDLIST, TIDListDeleter>;
