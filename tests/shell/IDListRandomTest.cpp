// Every identifier-list operation against the shell's own helpers on lists
// drawn at random from real folders: nested deep, long names, names outside
// Shift-JIS, the Desktop, the drives folder and virtual items. The seed is
// fixed and printed with any failure, so a failure can be replayed.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/shell/ShellItemFixtures.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr unsigned kSeed = 20261209;
constexpr int kRounds = 3000;

std::vector<BYTE> BytesOf(LPCITEMIDLIST list)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
    return list ? std::vector<BYTE>(bytes, bytes + ILGetSize(list)) : std::vector<BYTE>{};
}

int ItemCount(LPCITEMIDLIST list)
{
    int items = 0;
    for (; list && list->mkid.cb != 0; list = ILGetNext(list)) ++items;
    return items;
}

// The list after its first `skip` items: a relative list inside it.
LPCITEMIDLIST Tail(LPCITEMIDLIST list, int skip)
{
    for (; skip > 0 && list->mkid.cb != 0; --skip) list = ILGetNext(list);
    return list;
}

struct ShellFree {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
using ShellList = std::unique_ptr<ITEMIDLIST, ShellFree>;

class IDListsAtRandom : public testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring longName(95, L'n');  // the whole path stays under 260: Wine parses no longer one
        const std::vector<std::wstring> paths{
            Folder.AddFile(L"a\\b\\c\\d\\e\\deep.txt"),
            Folder.AddFile(longName + L"\\" + longName + L".txt"),
            Folder.AddFile(L"\U0001F600\u16A0\\\uD55C\uAE00.txt"),  // outside Shift-JIS, a surrogate pair
            Folder.AddFolder(L"empty"),
        };
        for (const std::wstring& path : paths) Lists.push_back(IDListOfPath(path));
        Lists.push_back(SpecialList(sfDesktop));
        Lists.push_back(SpecialList(sfDrives));
        // The virtual children of the Desktop and of the drives folder, as the shell enumerates them.
        for (TShSpecialFolder parent : {sfDesktop, sfDrives}) {
            TIDListPtr parentList = SpecialList(parent);
            ComPtr<IShellFolder> desktop, folder;
            SHGetDesktopFolder(&desktop);
            if (parent == sfDesktop) folder = desktop;
            else desktop->BindToObject(parentList.get(), nullptr, IID_PPV_ARGS(&folder));
            ComPtr<IEnumIDList> children;
            if (!folder || folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &children) != S_OK)
                continue;
            LPITEMIDLIST child = nullptr;
            while (children->Next(1, &child, nullptr) == S_OK) {
                Lists.emplace_back(ConcatIDLists(parentList.get(), child));
                CoTaskMemFree(child);
            }
        }
        for (const auto& list : Lists) ASSERT_NE(list, nullptr);
        SHGetDesktopFolder(&Desktop);
    }

    TempFolder Folder;
    std::vector<TIDListPtr> Lists;
    ComPtr<IShellFolder> Desktop;
};
}  // namespace

TEST_F(IDListsAtRandom, EveryOperationMatchesTheShellByteForByte)
{
    std::mt19937 random(kSeed);
    auto pick = [&](size_t count) { return size_t(random() % count); };
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << kSeed << ", round " << round);
        LPCITEMIDLIST a = Lists[pick(Lists.size())].get();
        LPCITEMIDLIST b = Tail(Lists[pick(Lists.size())].get(), int(pick(4)));
        const int items = ItemCount(a);
        ASSERT_EQ(IDListSize(a), ILGetSize(a));
        ASSERT_EQ(IDListLevel(a), items);
        switch (pick(5)) {
        case 0: {
            TIDListPtr ours(CopyIDList(a));
            ShellList shell(ILClone(a));
            ASSERT_EQ(BytesOf(ours.get()), BytesOf(shell.get()));
            ASSERT_EQ(CompareItemIDs(Desktop.Get(), a, ours.get()), crSame) << "a copy is the same item";
            break;
        }
        case 1: {
            if (items == 0) break;  // the Desktop: none, where the shell gives an empty list
            TIDListPtr ours(CopyFirstItemID(a));
            ShellList shell(ILCloneFirst(a));
            ASSERT_EQ(BytesOf(ours.get()), BytesOf(shell.get()));
            break;
        }
        case 2: {
            TIDListPtr ours(ConcatIDLists(a, b));
            ShellList shell(ILCombine(a, b));
            ASSERT_EQ(BytesOf(ours.get()), BytesOf(shell.get()));
            break;
        }
        case 3: {
            if (items == 0) break;
            TIDListPtr ours(LastItemIDOf(a));
            ShellList shell(ILCloneFirst(ILFindLastID(a)));
            ASSERT_EQ(BytesOf(ours.get()), BytesOf(shell.get()));
            break;
        }
        case 4: {
            TIDListPtr ours(ParentIDListOf(a));
            ShellList shell(ILClone(a));
            if (items <= 1) {
                ASSERT_EQ(ours, nullptr) << "no parent of a one-item list";
                break;
            }
            ASSERT_TRUE(ILRemoveLastID(shell.get()));
            ASSERT_EQ(BytesOf(ours.get()), BytesOf(shell.get()));
            ASSERT_NE(CompareItemIDs(Desktop.Get(), a, ours.get()), crSame) << "a parent is another item";
            break;
        }
        }
    }
}
