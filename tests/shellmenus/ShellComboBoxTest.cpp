// The shell combo box with a linked tree on real folders: the list after
// creation, the path of a selected folder as temporary entries and the
// user's choice of one, the virtual kinds shown, a volume's new name, a
// first child that goes, and the order of the entries through random use.
#include "tests/shellmenus/ComboFixture.h"

#include <dbt.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "ui/Text.h"

namespace {
std::wstring TreeSelectedPath(TShellTreeView* tree)
{
    TShellTreeItem* item = TShellTreeView::ItemOf(tree->Selected());
    return item ? item->Path() : std::wstring();
}

// The components of a path below its drive's root: "C:\a\b" gives C:\a and C:\a\b.
std::vector<std::wstring> PathsBelowRoot(const std::wstring& path)
{
    std::vector<std::wstring> paths;
    for (size_t slash = path.find(L'\\', 3); ; slash = path.find(L'\\', slash + 1)) {
        paths.push_back(path.substr(0, slash));
        if (slash == std::wstring::npos) break;
    }
    return paths;
}
}  // namespace

TEST_F(ShellComboTest, RightAfterCreationTheDesktopItsChildrenAndItsFirstChildsChildrenAreListed)
{
    TTreeNode* root = Tree->GetFirstNode();
    ASSERT_NE(root, nullptr);
    std::vector<ComboEntry> expected{{0, root->Text(), false}};
    for (TTreeNode* child = root->GetFirstChild(); child; child = child->GetNextSibling()) {
        expected.push_back({1, child->Text(), false});
        if (child != root->GetFirstChild()) continue;
        for (TTreeNode* grandchild = child->GetFirstChild(); grandchild; grandchild = grandchild->GetNextSibling())
            expected.push_back({2, grandchild->Text(), false});
    }
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(Combo->ItemIndex(), 0);
    ASSERT_GE(Combo->ComboList().Count(), 3);
    EXPECT_EQ(Combo->ComboList().Items(1)->ItemType(), itMyComputer);
    EXPECT_EQ(Combo->ComboList().Items(2)->Indent(), 24);
    EXPECT_EQ(Combo->ComboList().Items(1)->Indent(), 12);
    EXPECT_EQ(Combo->ComboList().Items(0)->Indent(), 0);
    EXPECT_EQ(OrderFault(), "");
}

TEST_F(ShellComboTest, AFolderDeepDownListsItsMissingAncestorsAsTemporaryEntriesUntilTheDesktopIsSelected)
{
    const std::vector<ComboEntry> initial = Entries();
    const std::wstring deep = Folder->AddFolder(L"a\\b\\c");
    SelectInTree(deep);
    EXPECT_EQ(SelectedPath(), deep);

    const TShellComboList& list = Combo->ComboList();
    const int drive = IndexOfPath(deep.substr(0, 3));
    ASSERT_GT(drive, 0);
    const std::vector<std::wstring> chain = PathsBelowRoot(deep);
    ASSERT_GE(chain.size(), 3u);
    for (size_t k = 0; k < chain.size(); ++k) {
        SCOPED_TRACE(WideToUtf8(chain[k]));
        TShellComboItem* entry = list.Items(drive + 1 + int(k));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(IncludeBackslash(entry->Path()), IncludeBackslash(chain[k]));
        EXPECT_TRUE(entry->Temporary());
        EXPECT_EQ(entry->Level(), 3 + int(k));
        EXPECT_EQ(entry->ParentItem(), list.Items(drive + int(k)));
    }
    EXPECT_EQ(Combo->ItemIndex(), drive + int(chain.size()));
    // The path sits inside its drive's place: the next drive follows it.
    TShellComboItem* after = list.Items(drive + 1 + int(chain.size()));
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->Level(), 2);
    EXPECT_FALSE(after->Temporary());
    EXPECT_EQ(OrderFault(), "");

    Tree->SetSelected(Tree->GetFirstNode());
    EXPECT_EQ(Combo->ItemIndex(), 0);
    EXPECT_EQ(Entries(), initial);
}

// The combo box's own search, without the tree, which would have rebuilt the list first.
TEST_F(ShellComboTest, ADesktopFolderNewSinceTheLastRebuildIsListedInItsSortedPlace)
{
    DesktopFolders desktop;
    desktop.Add(L"combo-a");
    desktop.Add(L"combo-c");
    Combo->RebuildList();
    const std::wstring inner = desktop.Add(L"combo-b\\inner");
    Combo->SelectIDList(IDListOf(inner).get());
    EXPECT_EQ(SelectedPath(), inner);
    const int a = IndexOfPath(desktop.Directory() + L"\\combo-a");
    ASSERT_GT(a, 0);
    const std::vector<ComboEntry> entries = Entries();
    ASSERT_GE(entries.size(), size_t(a) + 4) << testing::PrintToString(entries);
    EXPECT_EQ(std::vector<ComboEntry>(entries.begin() + a, entries.begin() + a + 4),
              (std::vector<ComboEntry>{{1, L"combo-a", false}, {1, L"combo-b", true}, {2, L"inner", true},
                                       {1, L"combo-c", false}}));
    EXPECT_EQ(OrderFault(), "");

    Combo->SelectIDList(SpecialList(sfDesktop).get());
    EXPECT_EQ(Combo->ItemIndex(), 0);
    EXPECT_EQ(IndexOfPath(inner), -1);
    EXPECT_EQ(IndexOfPath(desktop.Directory() + L"\\combo-b"), -1);
    EXPECT_GT(IndexOfPath(desktop.Directory() + L"\\combo-c"), 0);
}

// Its neighbours are asked for once: without that the search would swing between them for ever.
TEST_F(ShellComboTest, AFolderThatTheListingLeavesOutSelectsTheDesktop)
{
    DesktopFolders desktop;
    desktop.Add(L"combo-a");
    desktop.Add(L"combo-c");
    const std::wstring hidden = desktop.Add(L"combo-b");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    Tree->SetIncludeHidden(false);
    EXPECT_FALSE(Combo->IncludeHidden());
    ASSERT_GT(IndexOfPath(desktop.Directory() + L"\\combo-c"), 0);
    EXPECT_EQ(IndexOfPath(hidden), -1) << "hidden folders are not listed";
    SelectInTree(Folder->Path());
    Combo->SelectIDList(IDListOf(hidden).get());
    EXPECT_EQ(Combo->ItemIndex(), 0) << testing::PrintToString(Entries());
    EXPECT_EQ(OrderFault(), "");
}

TEST_F(ShellComboTest, ChoosingATemporaryEntryKeepsThePathUpToItAndAPermanentOneClearsThePath)
{
    const std::wstring deep = Folder->AddFolder(L"a\\b\\c");
    const std::wstring b = Folder->Path() + L"\\a\\b", a = Folder->Path() + L"\\a";
    SelectInTree(deep);
    const int count = Combo->ComboList().Count();

    // The arrow key in the closed control chooses the entry above.
    SendMessageW(Combo->Handle(), WM_KEYDOWN, VK_UP, 0);
    ASSERT_TRUE(PumpUntil([&] { return SelectedPath() == b; }, 10000));
    EXPECT_EQ(IndexOfPath(deep), -1) << "the deeper path went";
    EXPECT_EQ(Combo->ComboList().Count(), count - 1);
    EXPECT_TRUE(Combo->SelectedEntry()->Temporary());
    EXPECT_EQ(IndexOfPath(a), Combo->ItemIndex() - 1);
    EXPECT_EQ(TreeSelectedPath(Tree), b);

    Choose(IndexOfPath(a));
    EXPECT_EQ(IndexOfPath(b), -1);
    EXPECT_EQ(TreeSelectedPath(Tree), a);
    EXPECT_EQ(OrderFault(), "");

    const std::wstring drive = deep.substr(0, 3);
    Choose(IndexOfPath(drive));
    EXPECT_EQ(IncludeBackslash(SelectedPath()), drive);
    EXPECT_EQ(IncludeBackslash(TreeSelectedPath(Tree)), drive);
    const std::vector<ComboEntry> entries = Entries();
    EXPECT_TRUE(std::none_of(entries.begin(), entries.end(), [](const ComboEntry& e) { return e.Temporary; }));
}

TEST_F(ShellComboTest, TheVirtualKindsShownFollowTheTree)
{
    struct Case {
        const char* name;
        TShVirtuaItems shown;
        bool trash, virtualUnderDrives;
    } cases[] = {
        {"default", {itBitBucket, itNetWork}, true, false},
        {"with virtual items", {itBitBucket, itNetWork, itVirtual}, true, true},
        {"none", {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree->SetShVirtuaItems(c.shown);
        EXPECT_EQ(Combo->ShVirtuaItems(), c.shown);
        bool trash = false, virtualUnderDrives = false;
        const TShellComboList& list = Combo->ComboList();
        for (int i = 1; i < list.Count(); ++i) {
            TShellComboItem* entry = list.Items(i);
            trash = trash || entry->ItemType() == itBitBucket;
            virtualUnderDrives = virtualUnderDrives ||
                                 (entry->ParentItem()->ItemType() == itMyComputer && entry->ItemType() == itVirtual);
        }
        EXPECT_EQ(trash, c.trash);
        EXPECT_EQ(virtualUnderDrives, c.virtualUnderDrives) << "the drives folder's Control Panel";
        EXPECT_EQ(OrderFault(), "");
    }
}

TEST_F(ShellComboTest, AnotherComboBoxLinkedLaterShowsTheTreesFolderAndLetsGoOfTheTreeAsItGoes)
{
    SelectInTree(Folder->Path());
    std::unique_ptr<TComponent> owned;
    auto* second = Form->Create<TShellComboBox>(Form.get(), TBounds{420, 10, 250, 24});
    Tree->SetShellComboBox(second);
    EXPECT_EQ(Combo->LinkedTree(), nullptr) << "the first one is let go";
    EXPECT_EQ(second->LinkedTree(), Tree);
    second->Loaded();
    ASSERT_NE(second->SelectedEntry(), nullptr);
    EXPECT_EQ(second->SelectedEntry()->Path(), Folder->Path());

    owned = Form->RemoveComponent(second);
    owned.reset();
    EXPECT_EQ(Tree->ShellComboBox(), nullptr);
    Tree->SetSelected(Tree->GetFirstNode());
    EXPECT_EQ(Combo->ItemIndex(), IndexOfPath(Folder->Path())) << "the unlinked one no longer follows";
}

// The record names a folder that the combo box does not list: no entry takes the volume's name.
TEST_F(ShellComboTest, AVolumesNewNameGoesToItsOwnEntryOnly)
{
    const std::wstring drive = Folder->Path().substr(0, 3);
    const int index = IndexOfPath(drive);
    ASSERT_GT(index, 0);
    const std::vector<ComboEntry> before = Entries();
    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L"Renamed (C:)", IDListOfPath(drive).get(), dkMedia,
                                                            DBT_DEVICEARRIVAL));
    EXPECT_EQ(Combo->ComboList().Items(index)->DisplayName(), L"Renamed (C:)");
    EXPECT_FALSE(Combo->ComboList().Items(index)->IconsCached());

    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L"Other (C:)", IDListOfPath(Folder->Path()).get(),
                                                            dkMedia, DBT_DEVICEARRIVAL));
    std::vector<ComboEntry> after = Entries();
    after[size_t(index)].Name = before[size_t(index)].Name;
    EXPECT_EQ(after, before);
}

// A network volume that comes makes the tree read its folders again and the
// combo box list its entries anew: the combo box stays on the tree's folder.
TEST_F(ShellComboTest, ANetworkVolumeThatComesLeavesTheComboBoxOnTheTreesFolder)
{
    const std::wstring deep = Folder->AddFolder(L"a\\b");
    SelectInTree(deep);
    ASSERT_EQ(SelectedPath(), deep);
    TTreeNode* parent = Tree->Selected()->Parent();
    // Only the volume's record reads the folders again: a folder made now shows when it has.
    Tree->PauseWatch();
    Folder->AddFolder(L"a\\c");
    DEV_BROADCAST_VOLUME volume{sizeof(volume), DBT_DEVTYP_VOLUME, 0, 0, DBTF_NET};
    SendMessageW(ShellCtrlList().Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(&volume));
    ASSERT_TRUE(PumpUntil([&] { return parent->GetFirstChild() && parent->GetFirstChild()->GetNextSibling(); }, 10000))
        << "the volume's record never reached the tree";
    EXPECT_EQ(TreeSelectedPath(Tree), deep);
    EXPECT_EQ(SelectedPath(), deep);
    EXPECT_EQ(OrderFault(), "");
}

namespace {
class ShellComboOnWinesDesktopTest : public ShellComboTest {
protected:
    bool HideUnixRoot() const override { return false; }
};
}  // namespace

// Wine's Unix root is the Desktop's first child, with its children listed; taking it off the Desktop makes it go.
TEST_F(ShellComboOnWinesDesktopTest, AFirstChildThatGoesTakesItsListedChildrenWithIt)
{
    TShellComboItem* first = Combo->ComboList().Items(1);
    ASSERT_NE(first, nullptr);
    if (first->ItemType() == itMyComputer) GTEST_SKIP() << "the drives folder comes first here, and it stays";
    ASSERT_NE(first->FirstChild(), nullptr);
    UnixRoot.emplace();
    Combo->RebuildList();
    EXPECT_EQ(OrderFault(), "");
    first = Combo->ComboList().Items(1);
    EXPECT_EQ(first->ItemType(), itMyComputer);
    ASSERT_NE(first->FirstChild(), nullptr) << "the new first child's children";
    EXPECT_EQ(first->FirstChild()->Level(), 2);
}

// A fixed seed, printed with the steps when the order breaks.
TEST_F(ShellComboTest, EveryEntryStaysFollowedByItsSubtreeThroughRandomSelectionsCreationsAndDeletions)
{
    constexpr unsigned kSeed = 1207;
    constexpr int kSteps = 60;
    std::mt19937 random(kSeed);
    DesktopFolders desktop;
    std::vector<std::wstring> folders{Folder->Path()};
    std::vector<std::wstring> parents{Folder->Path(), desktop.Directory()};
    std::ostringstream steps;
    auto pick = [&](const std::vector<std::wstring>& from) { return from[random() % from.size()]; };
    for (int step = 0; step < kSteps; ++step) {
        switch (random() % 4) {
        case 0: {
            const std::wstring folder = pick(folders);
            steps << step << " select " << WideToUtf8(folder) << "\n";
            SelectInTree(folder);
            ASSERT_EQ(IncludeBackslash(SelectedPath()), IncludeBackslash(folder)) << steps.str();
            break;
        }
        case 1: {
            const int index = int(random() % unsigned(Combo->ComboList().Count()));
            steps << step << " choose " << index << " " << WideToUtf8(Combo->ComboList().Items(index)->DisplayName()) << "\n";
            Choose(index);
            break;
        }
        case 2: {
            const std::wstring parent = pick(parents);
            const std::wstring made = parent == desktop.Directory() ? desktop.Add(L"combo-" + std::to_wstring(step))
                                                                    : parent + L"\\f" + std::to_wstring(step);
            CreateDirectoryW(made.c_str(), nullptr);
            folders.push_back(made);
            parents.push_back(made);
            steps << step << " create " << WideToUtf8(made) << "\n";
            Tree->DirectoriesChanged();
            break;
        }
        default: {
            if (folders.size() < 2) continue;
            const std::wstring gone = folders[1 + random() % (folders.size() - 1)];
            auto below = [&](const std::wstring& path) { return path == gone || path.starts_with(gone + L"\\"); };
            std::erase_if(folders, below);
            std::erase_if(parents, below);
            DeleteTree(gone);
            steps << step << " delete " << WideToUtf8(gone) << "\n";
            Tree->DirectoriesChanged();
        }
        }
        ASSERT_EQ(OrderFault(), "") << "seed " << kSeed << ", after:\n" << steps.str();
    }
}
