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

    x->DeleteChildren();
    EXPECT_EQ(list.IndexOf(y), -1);
    EXPECT_EQ(x->FirstChild(), nullptr);
    EXPECT_EQ(list.IndexOf(w), count + 1);
    EXPECT_EQ(OrderFault(), "") << "the strings went with the entries";

    list.RemoveTemporary();
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(OrderFault(), "");
}
