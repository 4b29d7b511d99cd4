// The shell tree view with a linked list view: the root, navigation both
// ways, merging the shell's changes, renaming, volume records and the
// context menu, on real folders of the Wine prefix.
#include "tests/shellviews/ShellTreeFixture.h"

#include <dbt.h>

#include <algorithm>

#include "shellmenus/ShellPopupMenu.h"
#include "tests/common/InputScript.h"
#include "tests/shellmenus/MenuFixture.h"
#include "ui/Timer.h"

namespace {

bool SendButton(DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof(INPUT)) == 1;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(ShellTreeTest, TheRootIsTheDesktopSelectedAndOpenWithItsFirstChildOpen)
{
    TTreeNode* root = Tree->GetFirstNode();
    ASSERT_NE(root, nullptr);
    TShellTreeItem* item = TShellTreeView::ItemOf(root);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Level(), 0);
    EXPECT_EQ(Tree->Selected(), root);
    EXPECT_TRUE(root->Expanded());
    ASSERT_NE(root->GetFirstChild(), nullptr);
    EXPECT_TRUE(root->GetFirstChild()->Expanded());
    EXPECT_EQ(IDListLevel(View->FolderIDList()), 0) << "the list shows the Desktop";
    EXPECT_EQ(root->GetNextSibling(), nullptr);
}

TEST_F(ShellTreeTest, SelectingANodeListsItAndOpeningARowSelectsItsNodeWithTheAncestorsOpen)
{
    Folder->AddFolder(L"sub\\inner");
    TTreeNode* node = SelectPath(Folder->Path());
    EXPECT_EQ(PathOf(node), Folder->Path());
    EXPECT_EQ(ListedPath(View), Folder->Path());

    const auto names = ListedNames();
    const int row = int(std::find(names.begin(), names.end(), L"sub") - names.begin());
    ASSERT_LT(row, int(names.size()));
    View->ExecuteItem(row, 0, {}, 0, 0);
    EXPECT_EQ(ListedPath(View), Folder->Path() + L"\\sub");
    TTreeNode* selected = Tree->Selected();
    EXPECT_EQ(PathOf(selected), Folder->Path() + L"\\sub");
    for (TTreeNode* up = selected ? selected->Parent() : nullptr; up; up = up->Parent())
        EXPECT_TRUE(up->Expanded()) << "closed ancestor " << testing::PrintToString(up->Text());

    // Up one level, as the side bar's button does: the list follows the tree.
    Tree->SetSelected(selected->Parent());
    EXPECT_EQ(ListedPath(View), Folder->Path());
}

// A drag that the handler refuses ends the gesture while the button is held:
// asked once, the node let go, and the tree hears changes again.
TEST_F(ShellTreeTest, ARefusedDragStartEndsTheGesture)
{
    TTreeNode* node = NodeOfPath(Folder->Path());
    ASSERT_NE(node, nullptr);
    int asked = 0, stateWhileHeld = -1;
    Tree->OnShBeginDrag = [&](TObject*, TTreeNode*, POINT, int, int, bool& canDrag) {
        ++asked;
        canDrag = false;
    };
    InputScript script(InputScript::HeldMove(
        LabelPoint(node), [&] { return Tree->MouseState() == 1; }, [&] { return asked > 0; },
        [&] { stateWhileHeld = Tree->MouseState(); }));
    ASSERT_TRUE(PumpUntil([&] { return script.Done(); }, 10000));
    EXPECT_EQ(stateWhileHeld, 0);
    EXPECT_EQ(asked, 1) << "asked again on a later move";
    EXPECT_EQ(Tree->DropTarget(), nullptr);
}

TEST_F(ShellTreeTest, AnUnknownFolderFindsTheRootAndSelectsIt)
{
    SelectPath(Folder->Path());
    TIDListPtr gone = IDListOfPath(Folder->AddFolder(L"gone"));
    DeleteTree(Folder->Path() + L"\\gone");
    EXPECT_EQ(Tree->FindNodeByIDList(gone.get()), Tree->GetFirstNode());
    EXPECT_EQ(Tree->FindNodeByIDList(nullptr), Tree->GetFirstNode());
}

// The control follows a pressed button in a loop of its own: the check runs
// from a timer inside it, and the release is sent from there.
TEST_F(ShellTreeTest, APressDoesNotSelectTheReleaseDoes)
{
    TTreeNode* node = NodeOfPath(Folder->Path());
    ASSERT_NE(Tree->Selected(), node);
    const POINT point = LabelPoint(node);
    ASSERT_TRUE(MoveCursorTo(point.x, point.y));
    bool checked = false, selectedWhilePressed = true;
    BYTE stateWhilePressed = 0;
    TTimer release(nullptr, 300u, false);
    release.SetOnTimer([&](TObject*) {
        release.SetEnabled(false);
        selectedWhilePressed = Tree->Selected() == node;
        stateWhilePressed = Tree->MouseState();
        checked = true;
        SendButton(MOUSEEVENTF_LEFTUP);
    });
    release.SetEnabled(true);
    ASSERT_TRUE(SendButton(MOUSEEVENTF_LEFTDOWN));
    ASSERT_TRUE(PumpUntil([&] { return checked && Tree->Selected() == node; }, 5000));
    EXPECT_FALSE(selectedWhilePressed);
    EXPECT_EQ(stateWhilePressed, 1);
    EXPECT_EQ(Tree->MouseState(), 0);
    EXPECT_EQ(Tree->DropTarget(), nullptr);
    EXPECT_EQ(ListedPath(View), Folder->Path());
}

TEST_F(ShellTreeTest, ARefreshMergesNewAndGoneFoldersKeepingOpenNodesAndSelection)
{
    Folder->AddFolder(L"b\\x");
    Folder->AddFolder(L"d");
    TTreeNode* parent = NodeOfPath(Folder->Path());
    parent->Expand(false);
    TTreeNode* b = NodeOfPath(Folder->Path() + L"\\b");
    b->Expand(false);
    Tree->SetSelected(b);
    ASSERT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"b", L"d"}));

    Folder->AddFolder(L"c");
    Folder->AddFolder(L"a");
    Tree->RefreshTree();
    EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(parent->GetFirstChild()->GetNextSibling(), b) << "the node that stayed is the same node";
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(Tree->Selected(), b);

    DeleteTree(Folder->Path() + L"\\c");
    DeleteTree(Folder->Path() + L"\\a");
    Tree->RefreshTree();
    EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"b", L"d"}));
    EXPECT_TRUE(b->Expanded());
}

TEST_F(ShellTreeTest, TheWatcherBringsAFolderMadeBelowANewFolderInTheWatchedRootIntoAnOpenNode)
{
    ASSERT_TRUE(std::find(Tree->WatchedDrives().begin(), Tree->WatchedDrives().end(), L"C:\\") !=
                Tree->WatchedDrives().end());
    const std::wstring root = MakeWatchedRoot(L"tree");
    CreateDirectoryW((root + L"\\m").c_str(), nullptr);
    TTreeNode* parent = NodeOfPath(root);
    parent->Expand(false);
    ASSERT_EQ(ChildNames(parent), std::vector<std::wstring>{L"m"});
    CreateDirectoryW((root + L"\\k").c_str(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return ChildNames(parent) == std::vector<std::wstring>{L"k", L"m"}; }, 15000));
    EXPECT_TRUE(parent->Expanded());
    RemoveDirectoryW((root + L"\\k").c_str());
    EXPECT_TRUE(PumpUntil([&] { return ChildNames(parent) == std::vector<std::wstring>{L"m"}; }, 15000));
}

// Another program deletes the selected folder and its parent at once: the
// tree and the list move to the nearest folder that is left.
TEST_F(ShellTreeTest, TheSelectedFolderAndItsParentDeletedElsewhereLeaveTheNearestFolderSelected)
{
    const std::wstring root = MakeWatchedRoot(L"vanish");
    CreateDirectoryW((root + L"\\parent").c_str(), nullptr);
    CreateDirectoryW((root + L"\\parent\\child").c_str(), nullptr);
    CreateDirectoryW((root + L"\\kept").c_str(), nullptr);
    TTreeNode* rootNode = NodeOfPath(root);
    rootNode->Expand(false);
    ASSERT_EQ(PathOf(SelectPath(root + L"\\parent\\child")), root + L"\\parent\\child");
    ASSERT_EQ(ListedPath(View), root + L"\\parent\\child");

    // Like any program that deletes a tree, it tries again while the parent
    // is not empty yet: the listing's watchers may still hold the child.
    DeleteTree(root + L"\\parent");
    ASSERT_TRUE(PumpUntil([&] { return RemoveDirectoryW((root + L"\\parent").c_str()) ||
                                       !IsExistingDirectory(root + L"\\parent"); }, 15000));
    EXPECT_TRUE(PumpUntil([&] { return Tree->Selected() == rootNode && ListedPath(View) == root; }, 15000))
        << "selected " << testing::PrintToString(PathOf(Tree->Selected())) << ", listed "
        << testing::PrintToString(ListedPath(View));
    EXPECT_EQ(ChildNames(rootNode), std::vector<std::wstring>{L"kept"});
    EXPECT_EQ(ListedNames(), std::vector<std::wstring>{L"kept"});
}

TEST_F(ShellTreeTest, LeavingOutHiddenItemsTakesThemFromOpenNodesAndFromTheList)
{
    const std::wstring hidden = Folder->AddFolder(L"hid");
    Folder->AddFolder(L"seen");
    const std::wstring hiddenFile = Folder->AddFile(L"hid.txt");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(hiddenFile.c_str(), FILE_ATTRIBUTE_HIDDEN);
    TTreeNode* parent = SelectPath(Folder->Path());
    parent->Expand(false);
    ASSERT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"hid", L"seen"}));
    ASSERT_TRUE(Contains(ListedNames(), L"hid.txt"));

    Tree->SetIncludeHidden(false);
    EXPECT_EQ(ChildNames(parent), std::vector<std::wstring>{L"seen"});
    EXPECT_FALSE(View->IncludeHidden());
    EXPECT_FALSE(Contains(ListedNames(), L"hid.txt"));
    EXPECT_FALSE(Contains(ListedNames(), L"hid"));

    Tree->SetIncludeHidden(true);
    EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"hid", L"seen"}));
}

class ShellTreeRenameTest : public ShellTreeTest {
protected:
    // Types `name` into the node's in-place editor and ends the edit.
    void RenameTo(TTreeNode* node, const std::wstring& name)
    {
        ASSERT_TRUE(node->EditText());
        HWND edit = TreeView_GetEditControl(Tree->Handle());
        ASSERT_NE(edit, nullptr);
        SetWindowTextW(edit, name.c_str());
        Tree->EndEditing(false);
    }
};

TEST_F(ShellTreeRenameTest, ARenamedOpenFolderStaysOpenRefilledAndIsListedUnderItsNewName)
{
    Folder->AddFolder(L"old\\inner");
    TTreeNode* node = NodeOfPath(Folder->Path() + L"\\old");
    node->Expand(false);
    ASSERT_EQ(ChildNames(node), std::vector<std::wstring>{L"inner"});

    RenameTo(node, L"new");
    EXPECT_EQ(node->Text(), L"new");
    EXPECT_EQ(PathOf(node), Folder->Path() + L"\\new");
    EXPECT_TRUE(node->Expanded());
    EXPECT_EQ(ChildNames(node), std::vector<std::wstring>{L"inner"});
    EXPECT_EQ(PathOf(node->GetFirstChild()), Folder->Path() + L"\\new\\inner") << "refilled, not kept";
    EXPECT_EQ(ListedPath(View), Folder->Path() + L"\\new");
}

TEST_F(ShellTreeRenameTest, ARefusedRenamePutsTheOldCaptionBack)
{
    Folder->AddFolder(L"one");
    Folder->AddFolder(L"two");
    TTreeNode* node = NodeOfPath(Folder->Path() + L"\\one");
    RenameTo(node, L"two");
    EXPECT_EQ(node->Text(), L"one");
    EXPECT_EQ(PathOf(node), Folder->Path() + L"\\one");
    EXPECT_TRUE(IsExistingDirectory(Folder->Path() + L"\\one"));
}

TEST_F(ShellTreeRenameTest, TheDesktopIsNotRenamed)
{
    EXPECT_FALSE(Tree->GetFirstNode()->EditText());
}

// Wine offers no removable drive here: a folder's node stands in for the drive's.
TEST_F(ShellTreeTest, AMediaRemovalRecordForAFolderNodeStandingInForADriveClearsItAndSelectsItsParent)
{
    Folder->AddFolder(L"drive\\x");
    TTreeNode* parent = NodeOfPath(Folder->Path());
    TTreeNode* node = NodeOfPath(Folder->Path() + L"\\drive");
    node->Expand(false);
    Tree->SetSelected(node);
    ASSERT_NE(node->GetFirstChild(), nullptr);

    TIDListPtr list = IDListOfPath(Folder->Path() + L"\\drive");
    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L" (Q:)", list.get(), dkMedia, DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(node->GetFirstChild(), nullptr);
    EXPECT_TRUE(node->HasChildren()) << "the expand button stays";
    EXPECT_EQ(node->Text(), L" (Q:)");
    EXPECT_EQ(Tree->Selected(), parent);
    EXPECT_EQ(ListedPath(View), Folder->Path());

    // A record for a folder the tree cannot reach changes nothing, the root least of all.
    const std::wstring rootCaption = Tree->GetFirstNode()->Text();
    TIDListPtr gone = IDListOfPath(Folder->AddFolder(L"gone"));
    DeleteTree(Folder->Path() + L"\\gone");
    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L" (R:)", gone.get(), dkMedia, DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(Tree->GetFirstNode()->Text(), rootCaption);
    EXPECT_EQ(Tree->Selected(), parent);
}

TEST_F(ShellTreeTest, ANetworkVolumeArrivalRefreshesAndItsRemovalGoesBackToTheRoot)
{
    Folder->AddFolder(L"b");
    TTreeNode* parent = SelectPath(Folder->Path());
    parent->Expand(false);
    Folder->AddFolder(L"a");
    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L"", nullptr, dkNetwork, DBT_DEVICEARRIVAL));
    EXPECT_EQ(ChildNames(parent), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(Tree->Selected(), parent);

    Tree->DeviceChanged(std::make_unique<TDeviceChangeData>(L"", nullptr, dkNetwork, DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(Tree->Selected(), Tree->GetFirstNode());
    EXPECT_EQ(IDListLevel(View->FolderIDList()), 0);
}

class ShellTreeMenuTest : public ShellTreeTest {
protected:
    void SetUp() override
    {
        ShellTreeTest::SetUp();
        Menu = Form->Create<TShellPopupMenu>();
        Tree->SetShellPopupMenu(Menu);
    }
    void TearDown() override
    {
        TrackPopupMenuFunc = DefaultTrackPopupMenu;
        ShellTreeTest::TearDown();
    }
    void ChooseVerb(const std::wstring& verb)
    {
        TrackPopupMenuFunc = [this, verb](HMENU menu, UINT, int, int, HWND) {
            ++Tracked;
            return verb.empty() ? 0u : Menu->VerbCommand(menu, verb);
        };
    }
    bool RightClick(TTreeNode* node)
    {
        const POINT point = LabelPoint(node);
        return MoveCursorTo(point.x, point.y) && SendButton(MOUSEEVENTF_RIGHTDOWN) && SendButton(MOUSEEVENTF_RIGHTUP);
    }

    TShellPopupMenu* Menu = nullptr;
    int Tracked = 0;
};

TEST_F(ShellTreeMenuTest, DeletingTheSelectedFolderSelectsAndListsItsParent)
{
    Folder->AddFolder(L"doomed");
    Folder->AddFolder(L"kept");
    TTreeNode* parent = NodeOfPath(Folder->Path());
    TTreeNode* node = SelectPath(Folder->Path() + L"\\doomed");
    ASSERT_EQ(PathOf(node), Folder->Path() + L"\\doomed");
    ChooseVerb(L"delete");
    DialogAnswer yes(IDYES);
    ASSERT_TRUE(RightClick(node));
    ASSERT_TRUE(PumpUntil([&] { return Tracked == 1 && Tree->Selected() == parent; }, 5000));
    EXPECT_FALSE(IsExistingDirectory(Folder->Path() + L"\\doomed"));
    EXPECT_EQ(ListedPath(View), Folder->Path());
    EXPECT_EQ(ChildNames(parent), std::vector<std::wstring>{L"kept"});
    EXPECT_EQ(Tree->MouseState(), 0);
    EXPECT_EQ(Tree->DropTarget(), nullptr);
}

TEST_F(ShellTreeMenuTest, TheDesktopHasNoMenuAndCutGhostsTheNode)
{
    ChooseVerb(L"");
    ASSERT_TRUE(RightClick(Tree->GetFirstNode()));
    PumpFor(300);
    EXPECT_EQ(Tracked, 0);

    Folder->AddFolder(L"cutme");
    TTreeNode* node = NodeOfPath(Folder->Path() + L"\\cutme");
    ChooseVerb(L"cut");
    ASSERT_TRUE(RightClick(node));
    ASSERT_TRUE(PumpUntil([&] { return Tracked == 1; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return node->Cut(); }, 10000));
    EXPECT_NE(Tree->Selected(), node) << "a right press does not select";
}

TEST_F(ShellTreeTest, TheListViewLinkCarriesTheTreesSettingsAndIsUndoneOnEitherEnd)
{
    EXPECT_EQ(View->LinkedTree(), static_cast<TShellTreeLink*>(Tree));
    View->SetShVirtuaItems(TShVirtuaItems{itBitBucket, itVirtual, itNetWork});
    EXPECT_EQ(Tree->ShVirtuaItems(), (TShVirtuaItems{itBitBucket, itVirtual, itNetWork}));
    Tree->SetShellListView(nullptr);
    EXPECT_EQ(View->LinkedTree(), nullptr);
    Tree->SetShellListView(View);
    Form->RemoveComponent(View).reset();  // the view may go first: the tree forgets it
    View = nullptr;
    EXPECT_EQ(Tree->ShellListView(), nullptr);
    SelectPath(Folder->Path());
}

}  // namespace

namespace {

std::vector<TShItemIDType> RootChildKinds(TShellTreeView* tree)
{
    std::vector<TShItemIDType> kinds;
    for (TTreeNode* child = tree->GetFirstNode()->GetFirstChild(); child; child = child->GetNextSibling())
        kinds.push_back(TShellTreeView::ItemOf(child)->ItemType());
    return kinds;
}

TEST_F(ShellTreeTest, TheDesktopsChildrenFollowTheVirtualItemSetAndNeverShowOtherVirtualItems)
{
    auto has = [](const std::vector<TShItemIDType>& kinds, TShItemIDType kind) {
        return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
    };
    const std::vector<TShItemIDType> kinds = RootChildKinds(Tree);
    EXPECT_FALSE(has(kinds, itVirtual));
    if (!has(kinds, itBitBucket)) GTEST_SKIP() << "Wine's Desktop shows no Recycle Bin here";
    Tree->SetShVirtuaItems(TShVirtuaItems{itNetWork});
    EXPECT_FALSE(has(RootChildKinds(Tree), itBitBucket));
    EXPECT_EQ(View->ShVirtuaItems(), TShVirtuaItems{itNetWork}) << "the list view takes the set";
    Tree->SetShVirtuaItems(TShVirtuaItems{itBitBucket, itNetWork, itVirtual});
    EXPECT_TRUE(has(RootChildKinds(Tree), itBitBucket));
    EXPECT_FALSE(has(RootChildKinds(Tree), itVirtual)) << "under the Desktop, whatever the set";
}

TEST_F(ShellTreeTest, ASettingsChangeMakesEveryNodeFetchItsIconsAgain)
{
    Folder->AddFolder(L"closed\\child");
    TTreeNode* closed = NodeOfPath(Folder->Path() + L"\\closed");
    TTreeNode* child = NodeOfPath(Folder->Path() + L"\\closed\\child");
    closed->Collapse(false);
    TShellTreeItem* item = TShellTreeView::ItemOf(child);
    item->ImageIndex();
    item->SelectedIndex();
    ASSERT_TRUE(item->IconsCached());
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !item->IconsCached(); }, 10000)) << "a node out of sight keeps its old icons";
    EXPECT_EQ(TreeView_GetImageList(Tree->Handle(), TVSIL_NORMAL), SystemImageList(false));
}

}  // namespace
