// The owner-drawn combo-box base: each item measured by its own index, the
// requests to draw handed back by the parent, the strings kept through a new
// window, the user's choice as a change, and the open list's length.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/Platform.h"
#include "tests/common/Pump.h"
#include "ui/ComboBox.h"
#include "ui/Form.h"

namespace {
class ComboBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"combo", .ClientWidth = 300,
                                                            .ClientHeight = 300, .Left = 60, .Top = 60});
        // Another owner-drawn control beside it, so that a request must find the right one.
        Other = Form->Create<TCustomComboBox>(Form.get(), TBounds{10, 50, 200, 24});
        Other->SetStyle(csOwnerDrawVariable);
        Other->OnMeasureItem = [](TObject*, int, int& height) { height = 40; };
        Other->HandleNeeded();
        Combo = Form->Create<TCustomComboBox>(Form.get(), TBounds{10, 10, 200, 24});
        Combo->SetStyle(csOwnerDrawVariable);
        Combo->OnMeasureItem = [this](TObject*, int index, int& height) {
            Measured.push_back(index);
            height = 11 + 2 * index;  // the field, index -1, measures 9
        };
        Combo->OnDrawItem = [this](TObject*, int index, const RECT&, TOwnerDrawState state) {
            Drawn.emplace_back(index, state);
        };
        for (int i = 0; i < 3; ++i) Combo->InsertItem(i, L"item " + std::to_wstring(i));
        Form->SetVisible(true);
    }

    static int ItemHeight(TCustomComboBox* combo, int index)
    {
        return int(SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, WPARAM(index), 0));
    }
    // The height the field was measured at: Wine answers it with the field's two border pixels.
    static int FieldHeight(TCustomComboBox* combo) { return ItemHeight(combo, -1) - (UnderWine() ? 2 : 0); }

    std::unique_ptr<TForm> Form;
    TCustomComboBox* Other = nullptr;
    TCustomComboBox* Combo = nullptr;
    std::vector<int> Measured;
    std::vector<std::pair<int, TOwnerDrawState>> Drawn;
};
}  // namespace

TEST_F(ComboBoxTest, EveryItemAndTheFieldAreMeasuredByTheirOwnIndexAgainInANewWindow)
{
    Combo->HandleNeeded();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(std::set<int>(Measured.begin(), Measured.end()), (std::set<int>{-1, 0, 1, 2}));
        EXPECT_EQ(FieldHeight(Combo), 9);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ItemHeight(Combo, i), 11 + 2 * i);
        EXPECT_EQ(SendMessageW(Combo->Handle(), CB_GETCOUNT, 0, 0), 3);
        Measured.clear();
        Combo->RecreateWnd();
    }
    EXPECT_EQ(Other->ItemCount(), 0);
    EXPECT_EQ(FieldHeight(Other), 40) << "the other control's field";
    Combo->DeleteItem(1);
    EXPECT_EQ(Combo->ItemCount(), 2);
    EXPECT_EQ(Combo->Item(1), L"item 2");
    EXPECT_EQ(ItemHeight(Combo, 1), 15) << "the string and its height went together";
}

TEST_F(ComboBoxTest, TheFieldIsDrawnAsTheSelectedItemWithItsEditState)
{
    Combo->HandleNeeded();
    Combo->SetItemIndex(2);
    Drawn.clear();
    InvalidateRect(Combo->Handle(), nullptr, TRUE);
    UpdateWindow(Combo->Handle());
    ASSERT_FALSE(Drawn.empty());
    EXPECT_EQ(Drawn.back().first, 2);
    EXPECT_TRUE(Drawn.back().second & odComboBoxEdit);
}

TEST_F(ComboBoxTest, TheUsersChoiceIsAChangeAndTheProgramsIsNot)
{
    Combo->HandleNeeded();
    int changes = 0;
    Combo->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, Combo);
        ++changes;
    };
    Combo->SetItemIndex(0);
    EXPECT_EQ(changes, 0);
    SendMessageW(Combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(PumpUntil([&] { return changes == 1; }, 2000));
    EXPECT_EQ(Combo->ItemIndex(), 1);
}

// Wine sizes an open list by its first item's height, so the items here are alike.
TEST_F(ComboBoxTest, TheOpenListShowsDropDownCountItems)
{
    Combo->OnMeasureItem = [](TObject*, int, int& height) { height = 15; };
    for (int i = 3; i < 12; ++i) Combo->InsertItem(i, L"more");
    Combo->HandleNeeded();
    struct Case {
        int count, shown;
    } cases[] = {{8, 8}, {3, 3}, {20, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        Combo->SetDropDownCount(c.count);
        int opened = 0;
        Combo->OnDropDown = [&](TObject*) { ++opened; };
        Combo->SetDroppedDown(true);
        ASSERT_TRUE(PumpUntil([&] { return Combo->DroppedDown(); }, 2000));
        EXPECT_EQ(opened, 1);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(Combo->Handle(), &info));
        RECT client{};
        GetClientRect(info.hwndList, &client);
        EXPECT_EQ(client.bottom, c.shown * 15);
        Combo->SetDroppedDown(false);
    }
}

// A window made again while the items change is held as the old one was, and
// draws only when the update ends.
TEST_F(ComboBoxTest, AWindowMadeAgainDuringAnUpdateDrawsWhenItEnds)
{
    Combo->HandleNeeded();
    Combo->BeginUpdate();
    Combo->RecreateWnd();
    Combo->SetItemIndex(0);
    Drawn.clear();
    RedrawWindow(Combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(Drawn.empty()) << "drawn during the update";
    Combo->EndUpdate();
    UpdateWindow(Combo->Handle());
    EXPECT_FALSE(Drawn.empty());
}

// The standard events: a choice clicks before it changes, a key a handler
// takes never reaches the control, and the focus coming and going.
TEST_F(ComboBoxTest, TheUsersEventsAreRaisedAndAKeyTakenGoesNoFurther)
{
    Combo->HandleNeeded();
    Combo->SetItemIndex(0);
    std::vector<std::wstring> events;
    Combo->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, Combo);
        events.push_back(L"click");
    };
    Combo->OnChange = [&](TObject*) { events.push_back(L"change"); };
    Combo->OnDblClick = [&](TObject*) { events.push_back(L"dblclick"); };
    Combo->OnEnter = [&](TObject*) { events.push_back(L"enter"); };
    Combo->OnExit = [&](TObject*) { events.push_back(L"exit"); };
    WORD swallow = 0;
    Combo->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        events.push_back(L"down " + std::to_wstring(key));
        if (key == swallow) key = 0;
    };
    Combo->OnKeyUp = [&](TObject*, WORD& key, TShiftState) { events.push_back(L"up " + std::to_wstring(key)); };
    Combo->OnKeyPress = [&](TObject*, wchar_t& key) { events.push_back(std::wstring(L"press ") + key); };

    swallow = VK_DOWN;
    SendMessageW(Combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Combo->ItemIndex(), 0) << "the handler took the key";
    swallow = 0;
    SendMessageW(Combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(PumpUntil([&] { return Combo->ItemIndex() == 1; }, 2000));
    SendMessageW(Combo->Handle(), WM_KEYUP, VK_DOWN, 0);
    SendMessageW(Combo->Handle(), WM_CHAR, L'x', 0);
    const std::wstring down = L"down " + std::to_wstring(VK_DOWN);
    EXPECT_EQ(events, (std::vector<std::wstring>{down, down, L"click", L"change", L"up " + std::to_wstring(VK_DOWN),
                                                  L"press x"}));

    SetFocus(Other->Handle());
    events.clear();
    SendMessageW(Combo->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Combo->SetDroppedDown(false);
    SetFocus(Combo->Handle());
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == Combo->Handle(); }, 2000));
    SetFocus(Other->Handle());
    EXPECT_TRUE(PumpUntil([&] { return !events.empty() && events.back() == L"exit"; }, 2000));
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), L"dblclick");
    EXPECT_EQ(events[events.size() - 2], L"enter");
}

namespace {
// Counts the context-menu requests that reach a window: a control's window
// hands an unhandled request on to its parent.
LRESULT CALLBACK CountContextMenus(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR counter)
{
    if (message == WM_CONTEXTMENU) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(wnd, message, wParam, lParam);
}
}  // namespace

// OnContextPopup hears the request at the client point (below the field from
// the keyboard); a handled one goes no further, an unhandled one reaches the parent.
TEST_F(ComboBoxTest, OnContextPopupDecidesWhetherTheRequestGoesOn)
{
    Combo->HandleNeeded();
    int parentHeard = 0;
    ASSERT_TRUE(SetWindowSubclass(Form->Handle(), CountContextMenus, 1, DWORD_PTR(&parentHeard)));
    bool handle = true;
    std::vector<POINT> asked;
    Combo->OnContextPopup = [&](TObject* sender, POINT pos, bool& handled) {
        EXPECT_EQ(sender, Combo);
        EXPECT_FALSE(handled);
        asked.push_back(pos);
        handled = handle;
    };
    POINT screen{5, 7};
    ClientToScreen(Combo->Handle(), &screen);
    RECT field{};
    GetClientRect(Combo->Handle(), &field);
    const LPARAM fromMouse = MAKELPARAM(screen.x, screen.y), fromKeyboard = MAKELPARAM(-1, -1);
    struct Case {
        bool handled;
        LPARAM where;
        POINT expected;
        int parentHeard;
    } cases[] = {{true, fromMouse, {5, 7}, 0}, {false, fromMouse, {5, 7}, 1}, {true, fromKeyboard, {0, field.bottom}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "handled " << c.handled << " at " << c.where);
        handle = c.handled;
        asked.clear();
        SendMessageW(Combo->Handle(), WM_CONTEXTMENU, WPARAM(Combo->Handle()), c.where);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].x, c.expected.x);
        EXPECT_EQ(asked[0].y, c.expected.y);
        EXPECT_EQ(parentHeard, c.parentHeard);
    }
    RemoveWindowSubclass(Form->Handle(), CountContextMenus, 1);
}
