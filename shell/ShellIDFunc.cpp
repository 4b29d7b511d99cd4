#include "shell/ShellIDFunc.h"

#include <cstring>

#include "shell/ShellUtils.h"
#include "ui/Exceptions.h"

Microsoft::WRL::ComPtr<IMalloc> ShellMalloc;

namespace {
int StartCount = 0;

WORD ItemCount(LPCITEMIDLIST list) { return list->mkid.cb; }

const BYTE* Bytes(LPCITEMIDLIST list) { return reinterpret_cast<const BYTE*>(list); }
}  // namespace

void ShellLibraryStart()
{
    if (StartCount++ > 0) return;
    OleInitialize(nullptr);
    if (FAILED(CoGetMalloc(1, &ShellMalloc))) {
        StartCount = 0;
        OleUninitialize();
        throw EOleError(L"The shell allocator cannot be obtained.");
    }
}

void ShellLibraryEnd()
{
    if (StartCount == 0 || --StartCount > 0) return;
    ShellMalloc.Reset();
    OleUninitialize();
}

LPITEMIDLIST AllocIDList(WORD size)
{
    if (!ShellMalloc) return nullptr;
    void* buffer = ShellMalloc->Alloc(size);
    if (buffer) std::memset(buffer, 0, size);
    return static_cast<LPITEMIDLIST>(buffer);
}

void FreeIDList(LPITEMIDLIST& list)
{
    if (list && ShellMalloc) ShellMalloc->Free(list);
    list = nullptr;
}

WORD IDListItemSize(LPCITEMIDLIST list)
{
    if (!list || ItemCount(list) == 0) return 0;
    return WORD(ItemCount(list) + 2);
}

WORD IDListSize(LPCITEMIDLIST list)
{
    if (!list) return 0;
    WORD size = 2;
    for (LPCITEMIDLIST item = list; ItemCount(item) != 0; item = NextItemID(item))
        size = WORD(size + ItemCount(item));
    return size;
}

LPITEMIDLIST NextItemID(LPCITEMIDLIST list)
{
    if (!list) return nullptr;
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(Bytes(list)) + ItemCount(list));
}

LPITEMIDLIST NextIDListItem(LPCITEMIDLIST list)
{
    if (!list || ItemCount(list) == 0) return nullptr;
    LPITEMIDLIST next = NextItemID(list);
    return ItemCount(next) != 0 ? next : nullptr;
}

LPITEMIDLIST CopyFirstItemID(LPCITEMIDLIST list)
{
    WORD size = IDListItemSize(list);
    if (size == 0) return nullptr;
    LPITEMIDLIST copy = AllocIDList(size);
    if (copy) std::memcpy(copy, list, ItemCount(list));
    return copy;
}

LPITEMIDLIST CopyIDList(LPCITEMIDLIST list)
{
    WORD size = IDListSize(list);
    if (size == 0) return nullptr;
    LPITEMIDLIST copy = AllocIDList(size);
    if (copy) std::memcpy(copy, list, size);
    return copy;
}

LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    if (!first || !second) return nullptr;
    const WORD firstItems = WORD(IDListSize(first) - 2);
    const WORD secondSize = IDListSize(second);
    LPITEMIDLIST result = AllocIDList(WORD(firstItems + secondSize));
    if (!result) return nullptr;
    std::memcpy(result, first, firstItems);
    std::memcpy(reinterpret_cast<BYTE*>(result) + firstItems, second, secondSize);
    return result;
}

LPITEMIDLIST JoinIDLists(LPITEMIDLIST& accumulated, LPITEMIDLIST& part)
{
    LPITEMIDLIST result;
    if (accumulated && part)
        result = ConcatIDLists(accumulated, part);
    else
        result = CopyIDList(accumulated ? accumulated : part);
    FreeIDList(accumulated);
    FreeIDList(part);
    return result;
}

LPITEMIDLIST ParentIDListOf(LPCITEMIDLIST list)
{
    if (!list || !NextIDListItem(list)) return nullptr;
    LPITEMIDLIST parent = nullptr;
    for (LPCITEMIDLIST item = list; NextIDListItem(item); item = NextItemID(item)) {
        LPITEMIDLIST first = CopyFirstItemID(item);
        parent = JoinIDLists(parent, first);
    }
    return parent;
}

LPITEMIDLIST LastItemIDOf(LPCITEMIDLIST list)
{
    if (!list) return nullptr;
    LPCITEMIDLIST last = list;
    while (LPCITEMIDLIST next = NextIDListItem(last)) last = next;
    return CopyFirstItemID(last);
}

TIDCompareResult CompareItemIDs(IShellFolder* folder, LPCITEMIDLIST list1, LPCITEMIDLIST list2)
{
    if (!folder || !list1 || !list2) return crFailed;
    HRESULT result = folder->CompareIDs(0, list1, list2);
    if (FAILED(result)) return crFailed;
    short order = CompareIDsOrder(result);
    if (order == 0) return crSame;
    return order > 0 ? crGreater : crLess;
}

bool IsDesktopIDList(IShellFolder* desktop, LPCITEMIDLIST list)
{
    TIDListPtr desktopList;
    if (!SpecialFolderIDList(sfDesktop, desktopList)) return false;
    return CompareItemIDs(desktop, desktopList.get(), list) == crSame;
}

bool IsSameIDList(LPCITEMIDLIST list1, LPCITEMIDLIST list2)
{
    Microsoft::WRL::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return false;
    return CompareItemIDs(desktop.Get(), list1, list2) == crSame;
}

int IDListLevel(LPCITEMIDLIST list)
{
    if (!list) return -1;
    Microsoft::WRL::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return -1;
    if (IsDesktopIDList(desktop.Get(), list)) return 0;
    if (ItemCount(list) == 0) return 0;
    int level = 1;
    for (LPCITEMIDLIST item = list; (item = NextIDListItem(item)) != nullptr;) ++level;
    return level;
}
