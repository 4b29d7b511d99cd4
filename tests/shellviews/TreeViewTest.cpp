// The tree-view base on a real form: lazy expansion, selection permission,
// node order, the deletion hook for every node, and label editing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/common/Pump.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

namespace {

// Records what the base asks of a descendant and answers as the test says.
class ProbeTree : public TCustomTreeView {
public:
    using TCustomTreeView::TCustomTreeView;
    using TCustomTreeView::HandleNeeded;

    bool AllowExpand = true;
    bool AllowChange = true;
    bool AllowEdit = true;
    std::vector<std::wstring> Expanding, Deleted, Changed;
    std::wstring EditedTo;

protected:
    bool CanExpand(TTreeNode* node) override
    {
        Expanding.push_back(node->Text());
        // Lazy filling: the children come as the node opens.
        if (AllowExpand && !node->GetFirstChild()) AddChild(node, node->Text() + L".1", nullptr);
        return AllowExpand;
    }
    bool CanChange(TTreeNode*) override { return AllowChange; }
    void Change(TTreeNode* node) override { Changed.push_back(node->Text()); }
    bool CanEdit(TTreeNode*) override { return AllowEdit; }
    void Edit(TTreeNode* node, std::wstring& text) override
    {
        EditedTo = text;
        TCustomTreeView::Edit(node, text);
    }
    void Delete(TTreeNode* node) override
    {
        Deleted.push_back(node->Text());
        TCustomTreeView::Delete(node);
    }
};

class TreeViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"tree", .ClientWidth = 300,
                                                            .ClientHeight = 300, .Left = 300, .Top = 40});
        Tree = Form->Create<ProbeTree>(Form.get(), TBounds{0, 0, 280, 280});
        Tree->HandleNeeded();
        Form->SetVisible(true);
        Root = Tree->AddChild(nullptr, L"root", nullptr);
        for (const wchar_t* name : {L"b", L"d"}) Tree->AddChild(Root, name, nullptr);
        Root->SetHasChildren(true);
    }
    TTreeNode* Child(TTreeNode* parent, const std::wstring& text)
    {
        for (TTreeNode* node = parent->GetFirstChild(); node; node = node->GetNextSibling())
            if (node->Text() == text) return node;
        return nullptr;
    }
    static std::vector<std::wstring> Texts(TTreeNode* parent)
    {
        std::vector<std::wstring> texts;
        for (TTreeNode* node = parent->GetFirstChild(); node; node = node->GetNextSibling()) texts.push_back(node->Text());
        return texts;
    }

    std::unique_ptr<TForm> Form;
    ProbeTree* Tree = nullptr;
    TTreeNode* Root = nullptr;
};

TEST_F(TreeViewTest, ExpansionAsksFirstAndARefusalKeepsTheNodeClosed)
{
    TTreeNode* b = Child(Root, L"b");
    b->SetHasChildren(true);
    Tree->AllowExpand = false;
    b->Expand(false);
    EXPECT_FALSE(b->Expanded());
    EXPECT_EQ(b->GetFirstChild(), nullptr);

    Tree->AllowExpand = true;
    Tree->Expanding.clear();
    b->Expand(false);
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(Texts(b), std::vector<std::wstring>{L"b.1"});
    EXPECT_EQ(Tree->Expanding, std::vector<std::wstring>{L"b"}) << "asked once, not again by the control";
    b->Expand(false);
    EXPECT_EQ(Tree->Expanding, std::vector<std::wstring>{L"b"}) << "an open node is not asked about again";

    // The button, as a user expands: the control asks through its notification.
    b->Collapse(false);
    TTreeNode* d = Child(Root, L"d");
    d->SetHasChildren(true);
    Tree->Expanding.clear();
    SendMessageW(Tree->Handle(), TVM_EXPAND, TVE_EXPAND, LPARAM(d->ItemId()));
    EXPECT_TRUE(d->Expanded());
    EXPECT_EQ(Tree->Expanding, std::vector<std::wstring>{L"d"});
}

TEST_F(TreeViewTest, ARefusedChangeKeepsTheSelectionAndAnAllowedOneIsReported)
{
    TTreeNode* b = Child(Root, L"b");
    TTreeNode* d = Child(Root, L"d");
    Tree->SetSelected(b);
    ASSERT_EQ(Tree->Selected(), b);
    Tree->Changed.clear();
    Tree->AllowChange = false;
    Tree->SetSelected(d);
    EXPECT_EQ(Tree->Selected(), b);
    EXPECT_TRUE(Tree->Changed.empty());
    Tree->AllowChange = true;
    Tree->SetSelected(d);
    EXPECT_EQ(Tree->Selected(), d);
    EXPECT_TRUE(d->Selected());
    EXPECT_EQ(Tree->Changed, std::vector<std::wstring>{L"d"});
}

TEST_F(TreeViewTest, InsertedAndSortedNodesKeepTheirPlacesAndIndices)
{
    TTreeNode* d = Child(Root, L"d");
    Tree->InsertBefore(d, L"c", nullptr);
    Tree->InsertBefore(Child(Root, L"b"), L"a", nullptr);
    EXPECT_EQ(Texts(Root), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    Root->CustomSort([](TTreeNode* x, TTreeNode* y) { return y->Text().compare(x->Text()); });
    EXPECT_EQ(Texts(Root), (std::vector<std::wstring>{L"d", L"c", L"b", L"a"}));

    TTreeNode* c = Child(Root, L"c");
    Tree->AddChild(c, L"c.1", nullptr);
    EXPECT_EQ(Root->AbsoluteIndex(), 0);
    EXPECT_EQ(Child(Root, L"b")->AbsoluteIndex(), 4) << "the closed node's child counts too";
    EXPECT_EQ(c->GetFirstChild()->Level(), 2);
    EXPECT_EQ(c->GetFirstChild()->Parent(), c);
    Root->Expand(false);
    EXPECT_EQ(c->GetNextVisible(), Child(Root, L"b")) << "a closed node's children are not shown";
    EXPECT_FALSE(c->GetFirstChild()->IsVisible());
    EXPECT_EQ(c->GetNext(), c->GetFirstChild());
}

TEST_F(TreeViewTest, EveryNodeGoesThroughDeleteChildrenFirst)
{
    TTreeNode* b = Child(Root, L"b");
    Tree->AddChild(Tree->AddChild(b, L"b.1", nullptr), L"b.1.1", nullptr);
    const int before = Tree->NodeCount();
    b->Delete();
    EXPECT_EQ(Tree->Deleted, (std::vector<std::wstring>{L"b.1.1", L"b.1", L"b"}));
    EXPECT_EQ(Tree->NodeCount(), before - 3);
    EXPECT_EQ(Texts(Root), std::vector<std::wstring>{L"d"});
}

TEST_F(TreeViewTest, ClearingDeletesEveryNodeWithoutReportingASelectionChange)
{
    Tree->SetSelected(Child(Root, L"d"));
    Tree->Changed.clear();
    Tree->ClearNodes();
    EXPECT_EQ(Tree->Deleted.size(), 3u);
    EXPECT_EQ(Tree->NodeCount(), 0);
    EXPECT_EQ(Tree->GetFirstNode(), nullptr);
    EXPECT_TRUE(Tree->Changed.empty());
}

TEST_F(TreeViewTest, StatesShowOnTheControl)
{
    TTreeNode* b = Child(Root, L"b");
    b->SetCut(true);
    EXPECT_TRUE(TreeView_GetItemState(Tree->Handle(), b->ItemId(), TVIS_CUT) & TVIS_CUT);
    b->SetOverlayIndex(1);
    EXPECT_EQ(TreeView_GetItemState(Tree->Handle(), b->ItemId(), TVIS_OVERLAYMASK), UINT(INDEXTOOVERLAYMASK(2)));
    b->SetDropTarget(true);
    EXPECT_EQ(Tree->DropTarget(), b);
    b->SetDropTarget(false);
    EXPECT_EQ(Tree->DropTarget(), nullptr);
    b->SetHasChildren(true);
    EXPECT_TRUE(b->HasChildren());
    b->SetHasChildren(false);
    EXPECT_FALSE(b->HasChildren());
}

TEST_F(TreeViewTest, AnEditEndsWithTheTextThatEditLeftAndARefusalStartsNone)
{
    Root->Expand(false);
    TTreeNode* b = Child(Root, L"b");
    Tree->AllowEdit = false;
    EXPECT_FALSE(b->EditText());
    Tree->AllowEdit = true;
    ASSERT_TRUE(b->EditText());
    HWND edit = TreeView_GetEditControl(Tree->Handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"bee");
    Tree->EndEditing(false);
    EXPECT_EQ(Tree->EditedTo, L"bee");
    EXPECT_EQ(b->Text(), L"bee");
}

}  // namespace
