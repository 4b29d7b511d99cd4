// The entries as a tree stored flat: where a new child goes, how siblings
// are found across a subtree, and what deleting children and temporary
// entries takes, with the combo box's strings kept alongside.
#include "tests/shellmenus/ComboFixture.h"

namespace {
class ShellComboListTest : public ShellComboTest {
protected:
    // A new entry for the folder below `parent`; made while the list is ready, so temporary.
    std::unique_ptr<TShellComboItem> NewEntry(TShellComboItem* parent, const std::wstring& path)
    {
        TIDListPtr absolute = IDListOf(path);
        TIDListPtr relative(LastItemIDOf(absolute.get()));
        return Combo->ComboList().NewItem(parent, std::move(absolute), std::move(relative));
    }
    DesktopFolders Desktop;
};
}  // namespace

TEST_F(ShellComboListTest, ANewChildGoesAfterTheWholeSubtreeOfItsParentsLastChild)
{
    TShellComboList& list = Combo->ComboList();
    const int count = list.Count();
    TShellComboItem* root = list.First();
    TShellComboItem* x = list.AddChild(root, NewEntry(root, Desktop.Add(L"combo-x")));
    TShellComboItem* y = list.AddChild(x, NewEntry(x, Desktop.Add(L"combo-x\\inner")));
    TShellComboItem* w = list.AddChild(root, NewEntry(root, Desktop.Add(L"combo-w")));
    ASSERT_TRUE(x && y && w);
    EXPECT_EQ(list.IndexOf(x), count);
    EXPECT_EQ(list.IndexOf(y), count + 1);
    EXPECT_EQ(list.IndexOf(w), count + 2) << "past the last child's own entries";
    EXPECT_EQ(OrderFault(), "");
    EXPECT_EQ(x->FirstChild(), y);
    EXPECT_EQ(TShellComboItem::NextSibling(root, x), w) << "across the subtree";
    EXPECT_EQ(TShellComboItem::PrevSibling(root, w), x);
    EXPECT_EQ(TShellComboItem::NextSibling(x, w), nullptr) << "not a child of that parent";
    EXPECT_EQ(TShellComboItem::NextSibling(x, y), nullptr);
    EXPECT_TRUE(x->Temporary() && y->Temporary() && w->Temporary());
    EXPECT_EQ(root->LastChild(), w) << "past a child's own entries";
    EXPECT_EQ(x->LastChild(), y);
    EXPECT_EQ(y->LastChild(), nullptr) << "no children";
    EXPECT_EQ(w->PrevEntry(), y);
    EXPECT_EQ(root->PrevEntry(), nullptr) << "the first entry";
    EXPECT_EQ(list.Last()->NextEntry(), nullptr);
    const std::unique_ptr<TShellComboItem> unlisted = NewEntry(root, Desktop.Add(L"combo-unlisted"));
    EXPECT_EQ(unlisted->PrevEntry(), nullptr) << "not in the list";
    EXPECT_EQ(unlisted->LastChild(), nullptr);

    x->DeleteChildren();
    EXPECT_EQ(list.IndexOf(y), -1);
    EXPECT_EQ(x->FirstChild(), nullptr);
    EXPECT_EQ(list.IndexOf(w), count + 1);
    EXPECT_EQ(OrderFault(), "") << "the strings went with the entries";

    list.RemoveTemporary();
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(OrderFault(), "");
}

// Clearing the list the combo box shows closes the open list and takes every
// string with the entries, so nothing is left to draw a freed entry.
TEST_F(ShellComboListTest, ClearingTheShownListLeavesTheComboBoxEmpty)
{
    TShellComboList& list = Combo->ComboList();
    ASSERT_GT(list.Count(), 1);
    Combo->SetDroppedDown(true);
    ASSERT_TRUE(PumpUntil([&] { return Combo->DroppedDown(); }, 2000));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_FALSE(Combo->DroppedDown());
    EXPECT_EQ(Combo->ItemCount(), 0);
    EXPECT_EQ(SendMessageW(Combo->Handle(), CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Combo->SelectedEntry(), nullptr);
    RedrawWindow(Combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);

    Combo->RebuildList();
    EXPECT_GT(list.Count(), 1) << "a rebuild starts again from the Desktop";
    EXPECT_EQ(Combo->ItemIndex(), 0);
    EXPECT_EQ(OrderFault(), "");
}
