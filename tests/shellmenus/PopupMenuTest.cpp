// The framework's popup menu on its own: items, their native menus, lookups
// and the plain popup of the own items.
#include "tests/shellmenus/MenuFixture.h"
#include "ui/Text.h"

TEST(MenuTextTest, ShortCutsReadAsModifiersAndKey)
{
    const std::pair<TShortCut, const wchar_t*> cases[] = {
        {{'C', {ssCtrl}}, L"Ctrl+C"},          {{VK_DELETE, {ssShift}}, L"Shift+Del"},
        {{VK_F2, {}}, L"F2"},                  {{'N', {ssShift, ssCtrl}}, L"Shift+Ctrl+N"},
        {{VK_F4, {ssAlt}}, L"Alt+F4"},         {{'7', {}}, L"7"},
        {{0, {ssCtrl}}, L""},
    };
    for (const auto& [shortCut, text] : cases) EXPECT_EQ(ShortCutToText(shortCut), text) << WideToUtf8(text);
}

TEST(MenuTextTest, HintsSplitAtTheFirstBar)
{
    struct Case {
        const wchar_t *Hint, *Short, *Long;
    };
    const Case cases[] = {{L"a|b", L"a", L"b"}, {L"whole", L"whole", L"whole"}, {L"a|b|c", L"a", L"b|c"},
                          {L"|long", L"", L"long"}, {L"", L"", L""}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetShortHint(c.Hint), c.Short) << WideToUtf8(c.Hint);
        EXPECT_EQ(GetLongHint(c.Hint), c.Long) << WideToUtf8(c.Hint);
    }
}

class PopupMenuTest : public testing::Test {
protected:
    void TearDown() override { TrackPopupMenuFunc = DefaultTrackPopupMenu; }
    TPopupMenu Menu{nullptr};
};

TEST_F(PopupMenuTest, PopupShowsTheOwnItemsAndClicksTheChosenOne)
{
    TMenuItem* a = Menu.Items()->Add(L"a");
    Menu.Items()->Add(L"hidden")->SetVisible(false);
    TMenuItem* sub = Menu.Items()->Add(L"sub");
    sub->Add(L"inner one");
    TMenuItem* inner = sub->Add(L"inner two");
    int clicks = 0;
    inner->OnClick = [&](TObject* sender) { clicks += sender == inner; };
    Menu.Items()->Add(L"default")->SetDefault(true);
    std::vector<MenuEntry> entries;
    TrackPopupMenuFunc = [&](HMENU menu, UINT flags, int, int, HWND) {
        EXPECT_EQ(flags, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD);
        entries = EntriesOf(menu);
        return inner->Command();
    };
    Menu.Popup(10, 20);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Id, a->Command());
    EXPECT_EQ(entries[1].SubMenu, sub->Handle());
    EXPECT_EQ(entries[2].State & MFS_DEFAULT, UINT(MFS_DEFAULT));
    EXPECT_EQ(Menu.FindItem(UINT_PTR(sub->Handle()), fkHandle), sub);
}

TEST_F(PopupMenuTest, ChangesReachTheNativeMenus)
{
    TMenuItem* first = Menu.Items()->Add(L"first");
    TMenuItem* second = Menu.Items()->Add(L"second");
    TMenuItem* child = second->Add(L"child");
    HMENU childMenu = second->Handle();
    ASSERT_EQ(EntriesOf(Menu.Handle()).size(), 2u);
    first->SetCaption(L"renamed");
    EXPECT_EQ(EntriesOf(Menu.Handle())[0].Text, L"renamed");
    first->Add(L"first child");
    EXPECT_EQ(EntriesOf(Menu.Handle())[0].SubMenu, first->Handle()) << "a first sub-item makes a submenu";
    first->SetVisible(false);
    EXPECT_EQ(EntriesOf(Menu.Handle()).size(), 1u);
    child->SetChecked(true);
    EXPECT_EQ(EntriesOf(second->Handle())[0].State & MFS_CHECKED, UINT(MFS_CHECKED));
    second->Delete(0);
    EXPECT_EQ(GetMenuItemCount(childMenu), 0);
    EXPECT_EQ(EntriesOf(Menu.Handle())[0].SubMenu, nullptr) << "an item without sub-items opens nothing";
}

TEST_F(PopupMenuTest, PopupComponentIsForgottenWhenItGoes)
{
    auto component = std::make_unique<TComponent>(nullptr);
    Menu.SetPopupComponent(component.get());
    EXPECT_EQ(Menu.PopupComponent(), component.get());
    component.reset();
    EXPECT_EQ(Menu.PopupComponent(), nullptr);
}
