#include "tests/shellviews/ShellTreeFixture.h"

void ShellTreeTest::SetUp()
{
    Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"tree", .ClientWidth = 1000,
                                                        .ClientHeight = 600, .Left = 100, .Top = 20});
    View = Form->Create<TShellListView>(Form.get(), TBounds{600, 0, 390, 580});
    View->SetViewStyle(vsReport);
    View->OnShListChange = [this](TObject*, TShellFileList*) { ++ListChanges; };
    View->Loaded();
    Tree = MakeTree(TBounds{0, 0, 590, 580});
    Tree->SetShellListView(View);
    Tree->Loaded();
    Form->SetVisible(true);
    // Made after the watch began: Wine's subtree handle sees changes only in such folders.
    Folder.emplace();
}

void ShellTreeTest::TearDown()
{
    Form.reset();
    Folder.reset();
    for (const std::wstring& root : FWatchedRoots) DeleteTree(root);
}

std::wstring ShellTreeTest::MakeWatchedRoot(const std::wstring& name)
{
    const std::wstring root = L"C:\\tessaly-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(root);
    EXPECT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    FWatchedRoots.push_back(root);
    return root;
}

TTreeNode* ShellTreeTest::NodeOfPath(const std::wstring& path)
{
    TIDListPtr list = IDListOfPath(path);
    EXPECT_TRUE(list) << "no item list for the folder";
    TTreeNode* node = Tree->FindNodeByIDList(list.get());
    EXPECT_EQ(PathOf(node), path);
    return node;
}

TTreeNode* ShellTreeTest::SelectPath(const std::wstring& path)
{
    TIDListPtr list = IDListOfPath(path);
    EXPECT_TRUE(list) << "no item list for the folder";
    Tree->SelectIDList(list.get());
    return Tree->Selected();
}

std::wstring ShellTreeTest::PathOf(const TTreeNode* node)
{
    TShellTreeItem* item = TShellTreeView::ItemOf(node);
    return item ? item->Path() : std::wstring();
}

std::vector<std::wstring> ShellTreeTest::ChildNames(TTreeNode* node)
{
    std::vector<std::wstring> names;
    for (TTreeNode* child = node ? node->GetFirstChild() : nullptr; child; child = child->GetNextSibling())
        names.push_back(child->Text());
    return names;
}

std::vector<std::wstring> ShellTreeTest::ListedNames() const
{
    std::vector<std::wstring> names;
    for (int i = 0; i < View->FileList().Count(); ++i) names.push_back(View->FileList().ItemAt(i)->DisplayName());
    return names;
}

POINT ShellTreeTest::LabelPoint(TTreeNode* node) const
{
    TreeView_EnsureVisible(Tree->Handle(), node->ItemId());
    RECT label{};
    TreeView_GetItemRect(Tree->Handle(), node->ItemId(), &label, TRUE);
    POINT point{label.left + 3, (label.top + label.bottom) / 2};
    ClientToScreen(Tree->Handle(), &point);
    return point;
}
