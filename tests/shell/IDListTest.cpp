// The identifier-list operations against the shell's own helpers, byte for
// byte, on lists that the shell hands out; then the neutral values and edges.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/shell/ShellItemFixtures.h"

using Microsoft::WRL::ComPtr;

namespace {
struct ShellFree {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
using ShellList = std::unique_ptr<ITEMIDLIST, ShellFree>;

std::vector<BYTE> BytesOf(LPCITEMIDLIST list, UINT size)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
    return {bytes, bytes + size};
}

// Both lists whole, compared by the oracle's measure.
void ExpectSameList(LPCITEMIDLIST ours, LPCITEMIDLIST oracle)
{
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(oracle, nullptr);
    ASSERT_EQ(IDListSize(ours), ILGetSize(oracle));
    EXPECT_EQ(BytesOf(ours, ILGetSize(ours)), BytesOf(oracle, ILGetSize(oracle)));
}

class IDListOracle : public testing::Test {
protected:
    void SetUp() override
    {
        FilePath = Folder.AddFile(L"one\\two\\three.txt", 10);
        Lists.push_back(SpecialList(sfDesktop));
        Lists.push_back(SpecialList(sfDrives));
        Lists.push_back(IDListOfPath(FilePath));
        for (const auto& list : Lists) ASSERT_NE(list, nullptr);
    }

    TempFolder Folder;
    std::wstring FilePath;
    std::vector<TIDListPtr> Lists;  // the Desktop, the drives folder, a deep file
};

TEST_F(IDListOracle, SizeAndCopyMatchTheShell)
{
    for (const auto& list : Lists) {
        EXPECT_EQ(IDListSize(list.get()), ILGetSize(list.get()));
        TIDListPtr copy(CopyIDList(list.get()));
        ShellList clone(ILClone(list.get()));
        ExpectSameList(copy.get(), clone.get());
        EXPECT_NE(copy.get(), list.get());
    }
}

TEST_F(IDListOracle, FirstAndLastItemsMatchTheShell)
{
    for (const auto& list : Lists) {
        if (IDListSize(list.get()) == 2) continue;  // the Desktop has no items
        TIDListPtr first(CopyFirstItemID(list.get()));
        ShellList cloneFirst(ILCloneFirst(list.get()));
        ExpectSameList(first.get(), cloneFirst.get());
        TIDListPtr last(LastItemIDOf(list.get()));
        ShellList cloneLast(ILCloneFirst(ILFindLastID(list.get())));
        ExpectSameList(last.get(), cloneLast.get());
    }
}

TEST_F(IDListOracle, ConcatenationMatchesTheShell)
{
    for (const auto& first : Lists) {
        for (const auto& second : Lists) {
            TIDListPtr ours(ConcatIDLists(first.get(), second.get()));
            ShellList oracle(ILCombine(first.get(), second.get()));
            ExpectSameList(ours.get(), oracle.get());
        }
    }
}

TEST_F(IDListOracle, ParentMatchesTheShellAndStepsUpTheFolders)
{
    TIDListPtr parent(ParentIDListOf(Lists[2].get()));
    ShellList oracle(ILClone(Lists[2].get()));
    ASSERT_TRUE(ILRemoveLastID(oracle.get()));
    ExpectSameList(parent.get(), oracle.get());

    std::wstring path;
    ASSERT_TRUE(PathFromIDList(parent.get(), path));
    EXPECT_EQ(path, Folder.Path() + L"\\one\\two");
    EXPECT_EQ(IDListLevel(parent.get()), IDListLevel(Lists[2].get()) - 1);
}

TEST_F(IDListOracle, LevelsCountItemsFromTheDesktop)
{
    EXPECT_EQ(IDListLevel(Lists[0].get()), 0);
    EXPECT_EQ(IDListLevel(Lists[1].get()), 1);
    TIDListPtr root = IDListOfPath(L"C:\\");
    EXPECT_EQ(IDListLevel(root.get()), 2);
    int items = 0;
    for (LPCITEMIDLIST item = Lists[2].get(); item->mkid.cb != 0; item = ILGetNext(item)) ++items;
    EXPECT_EQ(IDListLevel(Lists[2].get()), items);
    EXPECT_EQ(IDListLevel(nullptr), -1);
}

TEST(IDListNeutralValues, NoneAndTheEmptyList)
{
    TIDListPtr empty = SpecialList(sfDesktop);
    ASSERT_EQ(ILGetSize(empty.get()), 2u);
    EXPECT_EQ(IDListSize(nullptr), 0);
    EXPECT_EQ(IDListSize(empty.get()), 2);
    EXPECT_EQ(IDListItemSize(nullptr), 0);
    EXPECT_EQ(IDListItemSize(empty.get()), 0);
    EXPECT_EQ(NextItemID(nullptr), nullptr);
    EXPECT_EQ(NextIDListItem(nullptr), nullptr);
    EXPECT_EQ(NextIDListItem(empty.get()), nullptr);
    EXPECT_EQ(CopyIDList(nullptr), nullptr);
    EXPECT_EQ(CopyFirstItemID(nullptr), nullptr);
    EXPECT_EQ(CopyFirstItemID(empty.get()), nullptr);
    EXPECT_EQ(ConcatIDLists(nullptr, empty.get()), nullptr);
    EXPECT_EQ(ConcatIDLists(empty.get(), nullptr), nullptr);
    EXPECT_EQ(ParentIDListOf(nullptr), nullptr);
    EXPECT_EQ(ParentIDListOf(empty.get()), nullptr);
    EXPECT_EQ(LastItemIDOf(nullptr), nullptr);
    LPITEMIDLIST none = nullptr;
    FreeIDList(none);
    EXPECT_EQ(JoinIDLists(none, none), nullptr);

    TIDListPtr drives = SpecialList(sfDrives);
    TIDListPtr before(ConcatIDLists(empty.get(), drives.get()));
    TIDListPtr after(ConcatIDLists(drives.get(), empty.get()));
    ExpectSameList(before.get(), drives.get());
    ExpectSameList(after.get(), drives.get());
}

TEST(IDListEdges, OneItemListsHaveNoParentAndAreTheirOwnLast)
{
    TIDListPtr drives = SpecialList(sfDrives);
    ASSERT_EQ(NextIDListItem(drives.get()), nullptr);
    EXPECT_EQ(ParentIDListOf(drives.get()), nullptr);
    TIDListPtr last(LastItemIDOf(drives.get()));
    ExpectSameList(last.get(), drives.get());
    EXPECT_EQ(IDListItemSize(drives.get()), drives->mkid.cb + 2);
}

TEST(IDListEdges, JoinFreesItsPartsAndKeepsTheirBytes)
{
    TIDListPtr drives = SpecialList(sfDrives);
    TIDListPtr root = IDListOfPath(L"C:\\");
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());

    LPITEMIDLIST accumulated = CopyIDList(drives.get());
    LPITEMIDLIST part = LastItemIDOf(root.get());
    TIDListPtr joined(JoinIDLists(accumulated, part));
    EXPECT_EQ(accumulated, nullptr);
    EXPECT_EQ(part, nullptr);
    ShellList oracle(ILCombine(drives.get(), ILFindLastID(root.get())));
    ExpectSameList(joined.get(), oracle.get());

    LPITEMIDLIST nothing = nullptr;
    LPITEMIDLIST lone = CopyIDList(drives.get());
    TIDListPtr copy(JoinIDLists(nothing, lone));
    EXPECT_EQ(lone, nullptr);
    ExpectSameList(copy.get(), drives.get());

    oracle.reset();
    joined.reset();
    copy.reset();
    EXPECT_GE(counter.Allocations(), 4);
    EXPECT_EQ(counter.Allocations(), counter.Frees());
}

TEST(IDListEdges, CompareReadsTheLowWordAsSigned)
{
    TempFolder folder;
    TIDListPtr a = IDListOfPath(folder.AddFile(L"a.txt"));
    TIDListPtr b = IDListOfPath(folder.AddFile(L"b.txt"));
    ComPtr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);

    // The shell answers "less" as a success code whose low word is 0xFFFF.
    const HRESULT less = desktop->CompareIDs(0, a.get(), b.get());
    ASSERT_TRUE(SUCCEEDED(less));
    ASSERT_GE(LOWORD(less), 0x8000);
    EXPECT_EQ(CompareItemIDs(desktop.Get(), a.get(), b.get()), crLess);
    EXPECT_EQ(CompareItemIDs(desktop.Get(), b.get(), a.get()), crGreater);
    TIDListPtr again = IDListOfPath(folder.Path() + L"\\a.txt");
    EXPECT_EQ(CompareItemIDs(desktop.Get(), a.get(), again.get()), crSame);
    EXPECT_EQ(CompareItemIDs(nullptr, a.get(), b.get()), crFailed);
    EXPECT_EQ(CompareItemIDs(desktop.Get(), nullptr, b.get()), crFailed);

    EXPECT_TRUE(IsDesktopIDList(desktop.Get(), SpecialList(sfDesktop).get()));
    EXPECT_FALSE(IsDesktopIDList(desktop.Get(), a.get()));
}
}  // namespace
