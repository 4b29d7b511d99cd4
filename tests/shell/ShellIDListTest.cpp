#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "shell/ShellIDList.h"
#include "tests/shell/ShellItemFixtures.h"
#include "tests/shell/WatcherTestSupport.h"

using Microsoft::WRL::ComPtr;

namespace {
// A folder with two files and a subfolder, and the children's relative lists.
class ShellIDListTest : public testing::Test {
protected:
    void SetUp() override
    {
        FFileA = FDir.Path() + L"\\a.txt";
        FFileB = FDir.Path() + L"\\b.txt";
        AppendToFile(FFileA);
        AppendToFile(FFileB);
        FSub = FDir.MakeDir(L"sub");
        FParent = IDListOfPath(FDir.Path());
        ASSERT_TRUE(FParent);
        for (const std::wstring* path : {&FFileA, &FFileB, &FSub}) {
            TIDListPtr absolute = IDListOfPath(*path);
            FChildren.emplace_back(LastItemIDOf(absolute.get()));
            ASSERT_TRUE(FChildren.back());
        }
    }

    TTempDir FDir;
    std::wstring FFileA, FFileB, FSub;
    TIDListPtr FParent;
    std::vector<TIDListPtr> FChildren;  // a.txt, b.txt, sub
};
}  // namespace

TEST_F(ShellIDListTest, AnEmptyListAnswersNothingWithoutAskingTheShell)
{
    TShellIDList list;
    list.SetParentIDList(FParent.get());
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    EXPECT_EQ(list.CommonAttributes(), 0u);
    EXPECT_FALSE(list.AllHaveAttribute(iaFileSystem));
    EXPECT_EQ(list.IDListArray(), nullptr);
    EXPECT_EQ(list.IDList(0), nullptr);
    // Binding the parent folder would have taken blocks from the task allocator.
    EXPECT_EQ(counter.Allocations(), 0);
}

TEST_F(ShellIDListTest, FilesAnswerWhatAllOfThemHave)
{
    TShellIDList list;
    list.SetParentIDList(FParent.get());
    list.Add(FChildren[0].get());
    list.Add(FChildren[1].get());
    EXPECT_GT(list.ParentLevel(), 1);
    EXPECT_EQ(list.IDList(1), FChildren[1].get());
    EXPECT_EQ(list.IDList(2), nullptr);
    EXPECT_EQ(list.IDList(-1), nullptr);
    ASSERT_NE(list.IDListArray(), nullptr);
    EXPECT_EQ(list.IDListArray()[0], FChildren[0].get());

    const ULONG common = list.CommonAttributes();
    EXPECT_EQ(common & (SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANDELETE),
              ULONG(SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANDELETE));
    EXPECT_TRUE(list.AllHaveAttribute(iaFileSystem));
    EXPECT_FALSE(list.AllHaveAttribute(iaFolder));

    EXPECT_EQ(list.ItemPath(0), FFileA);
    EXPECT_EQ(list.ItemPath(1), FFileB);
    EXPECT_EQ(list.ItemPath(2), L"");
}

TEST_F(ShellIDListTest, AnAttributeCountsOnlyWhenEveryEntryHasIt)
{
    TShellIDList list;
    list.SetParentIDList(FParent.get());
    list.Add(FChildren[2].get());
    EXPECT_TRUE(list.AllHaveAttribute(iaFolder));
    list.Add(FChildren[0].get());
    EXPECT_FALSE(list.AllHaveAttribute(iaFolder));
    EXPECT_EQ(list.ItemPath(0), FSub);
}

TEST_F(ShellIDListTest, ADesktopParentAnswersThroughTheDesktopFolder)
{
    wchar_t desktopPath[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktopPath), S_OK);
    const std::wstring name = L"tessaly-idlist-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const std::wstring file = std::wstring(desktopPath) + L"\\" + name;
    AppendToFile(file);
    ComPtr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    LPITEMIDLIST parsed = nullptr;
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(name.c_str()), nullptr, &parsed,
                                        nullptr),
              S_OK);
    TIDListPtr child(parsed);
    TIDListPtr desktopList = SpecialList(sfDesktop);

    TShellIDList list;
    list.SetParentIDList(desktopList.get());
    list.Add(child.get());
    EXPECT_EQ(list.ParentLevel(), 0);
    EXPECT_NE(list.ParentShellFolder(), nullptr);
    EXPECT_TRUE(list.AllHaveAttribute(iaFileSystem));
    EXPECT_NE(list.CommonAttributes() & SFGAO_CANCOPY, 0u);
    EXPECT_EQ(list.ItemPath(0), file);
    DeleteFileW(file.c_str());
}

TEST_F(ShellIDListTest, AnOwningListFreesWhatItHolds)
{
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    {
        TShellIDList2 list;
        list.SetParentIDList(TIDListPtr(CopyIDList(FParent.get())));
        list.Add(TIDListPtr(CopyIDList(FChildren[0].get())));
        list.Add(TIDListPtr(CopyIDList(FChildren[1].get())));
        EXPECT_EQ(list.ItemPath(1), FFileB);
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.ParentIDList(), nullptr);
        EXPECT_EQ(counter.Allocations(), counter.Frees());

        // What it still holds when it goes is freed as well, a replaced parent at once.
        list.SetParentIDList(TIDListPtr(CopyIDList(FParent.get())));
        list.SetParentIDList(TIDListPtr(CopyIDList(FParent.get())));
        list.Add(TIDListPtr(CopyIDList(FChildren[2].get())));
        EXPECT_EQ(counter.Allocations() - counter.Frees(), 2);
    }
    EXPECT_GE(counter.Allocations(), 8);
    EXPECT_EQ(counter.Allocations(), counter.Frees());
}
