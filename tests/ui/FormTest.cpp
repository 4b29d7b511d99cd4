// Forms from layouts: client size, border boxes, window states, ownership by
// the application window, docking, button clicks, closing and the modal show;
// the list box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/ModalDriver.h"
#include "tests/common/Fonts.h"
#include "tests/common/Pump.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/StdCtrls.h"

namespace {
const TFormLayout kLayout{.Caption = L"probe", .BorderStyle = TBorderStyle::bsSingle,
                          .BorderIcons = biSystemMenu, .ClientWidth = 300, .ClientHeight = 200,
                          .Left = 100, .Top = 80};
}

TEST(Form, BuiltFromItsLayout)
{
    TForm form(nullptr, kLayout);
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.ClientHeight(), 200);
    EXPECT_EQ(form.Left(), 100);
    EXPECT_EQ(form.Top(), 80);
    EXPECT_EQ(form.Caption(), L"probe");
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application->Handle());
    EXPECT_FALSE(form.Visible());
}

TEST(Form, BorderStyleAndIconsGiveTheBoxesOfTheCaption)
{
    constexpr DWORD boxes = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
    const struct {
        TBorderStyle border;
        unsigned icons;
        DWORD style;
    } cases[] = {
        {TBorderStyle::bsSingle, biSystemMenu, WS_CAPTION | WS_SYSMENU},
        {TBorderStyle::bsSingle, biSystemMenu | biMinimize, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX},
        {TBorderStyle::bsSizeable, biSystemMenu | biMaximize, WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME},
        // Without the system menu there are no boxes; a dialog has only the close box.
        {TBorderStyle::bsSizeable, biMinimize | biMaximize, WS_CAPTION | WS_THICKFRAME},
        {TBorderStyle::bsDialog, biSystemMenu | biMinimize | biMaximize, WS_CAPTION | WS_SYSMENU},
        {TBorderStyle::bsNone, biSystemMenu | biMinimize | biMaximize, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "border " << int(c.border) << ", icons " << c.icons);
        TFormLayout layout = kLayout;
        layout.BorderStyle = c.border;
        layout.BorderIcons = c.icons;
        TForm form(nullptr, layout);
        EXPECT_EQ(DWORD(GetWindowLongPtrW(form.Handle(), GWL_STYLE)) & boxes, c.style);
    }
}

// The form follows the system's maximise and restore (its boxes, a double
// click on the caption); setting the state of a hidden form does not show it.
TEST(Form, WindowStatesFollowTheWindow)
{
    TFormLayout layout = kLayout;
    layout.BorderStyle = TBorderStyle::bsSizeable;
    layout.BorderIcons = biSystemMenu | biMaximize;
    TForm form(nullptr, layout);
    form.SetWindowState(TWindowState::wsMaximized);
    EXPECT_FALSE(IsWindowVisible(form.Handle())) << "setting the state showed a hidden form";
    form.SetWindowState(TWindowState::wsNormal);

    form.SetVisible(true);
    form.SetWindowState(TWindowState::wsMaximized);
    EXPECT_TRUE(IsZoomed(form.Handle()));
    form.SetWindowState(TWindowState::wsNormal);
    EXPECT_FALSE(IsZoomed(form.Handle()));

    ShowWindow(form.Handle(), SW_MAXIMIZE);
    EXPECT_EQ(form.WindowState(), TWindowState::wsMaximized);
    ShowWindow(form.Handle(), SW_RESTORE);
    EXPECT_EQ(form.WindowState(), TWindowState::wsNormal);
}

// Top and bottom strips first, in creation order, then left and right ones
// between them, and the client-aligned control in what is left.
TEST(Form, DockedControlsShareTheClientAreaAndButtonsClick)
{
    TForm form(nullptr, kLayout);
    TPanel* top = form.Create<TPanel>(&form, TBounds{0, 0, 10, 28}, TAlign::alTop);
    TPanel* bottom = form.Create<TPanel>(&form, TBounds{0, 0, 10, 20}, TAlign::alBottom);
    TPanel* bottom2 = form.Create<TPanel>(&form, TBounds{0, 0, 10, 10}, TAlign::alBottom);
    TPanel* left = form.Create<TPanel>(&form, TBounds{0, 0, 30, 10}, TAlign::alLeft);
    TPanel* right = form.Create<TPanel>(&form, TBounds{0, 0, 40, 10}, TAlign::alRight);
    TPanel* client = form.Create<TPanel>(&form, TBounds{0, 0, 10, 10}, TAlign::alClient);
    TButton* button = form.Create<TButton>(top, TBounds{4, 4, 96, 21}, L"押す");
    for (const int width : {300, 350}) {
        SCOPED_TRACE(width);
        form.SetWidth(form.Width() + width - form.ClientWidth());
        const struct {
            TPanel* panel;
            RECT bounds;
        } expected[] = {
            {top, {0, 0, width, 28}},
            {bottom, {0, 180, width, 200}},
            {bottom2, {0, 170, width, 180}},
            {left, {0, 28, 30, 170}},
            {right, {width - 40, 28, width, 170}},
            {client, {30, 28, width - 40, 170}},
        };
        for (const auto& e : expected) {
            const RECT r = e.panel->BoundsRect();
            EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
                      std::vector<LONG>({e.bounds.left, e.bounds.top, e.bounds.right, e.bounds.bottom}))
                << "panel " << (&e - expected);
        }
    }

    int clicks = 0;
    button->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);  // through the real BN_CLICKED path
    EXPECT_EQ(clicks, 1);
}

TEST(Form, ClosingAnotherFormHidesIt)
{
    TForm* form = Application->CreateForm<TForm>(kLayout);
    TForm* other = Application->CreateForm<TForm>(kLayout);
    EXPECT_EQ(Application->MainForm(), form);
    other->SetVisible(true);
    SendMessageW(other->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(other->Visible());
    EXPECT_FALSE(Application->Terminated());
    Application->RemoveComponent(other).reset();
    Application->RemoveComponent(form).reset();
    EXPECT_EQ(Application->MainForm(), nullptr) << "the application must forget a destroyed main form";
}

// Moved to a monitor of another resolution, the form lays itself out for it
// in the rectangle the system suggests, and back again.
TEST(Form, ANewResolutionScalesTheChildrenAndTheFont)
{
    TForm form(nullptr, TFormLayout{.Caption = L"dpi", .ClientWidth = 200, .ClientHeight = 100,
                                    .Font = {L"Tahoma", -12, DEFAULT_CHARSET}});
    TButton* button = form.Create<TButton>(&form, TBounds{4, 8, 96, 20}, L"押す");
    TLabel* label = form.Create<TLabel>(&form, TBounds{4, 40, 96, 20}, L"太字");
    label->SetFont({L"Tahoma", -16, DEFAULT_CHARSET});
    ASSERT_EQ(form.ScreenDpi(), 96) << "the test prefix runs at 96 per inch";
    struct Step {
        int dpi, fontHeight;
        RECT button;
    } steps[] = {{144, -18, {6, 12, 150, 42}}, {96, -12, {4, 8, 100, 28}}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.dpi);
        RECT suggested{10, 20, 10 + step.dpi * 4, 20 + step.dpi * 2};
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi), LPARAM(&suggested));
        EXPECT_EQ(form.BoundsRect().left, 10);
        EXPECT_EQ(form.Width(), step.dpi * 4);
        EXPECT_EQ(form.Scale(100), step.dpi * 100 / 96);
        EXPECT_EQ(FontHeight(form.Font()), step.fontHeight);
        EXPECT_EQ(FontHeight(HFONT(SendMessageW(button->Handle(), WM_GETFONT, 0, 0))), step.fontHeight);
        EXPECT_EQ(FontHeight(HFONT(SendMessageW(label->Handle(), WM_GETFONT, 0, 0))), step.fontHeight * 4 / 3)
            << "a label's own font follows too";
        const RECT b = button->BoundsRect();
        EXPECT_EQ(b.left, step.button.left);
        EXPECT_EQ(b.top, step.button.top);
        EXPECT_EQ(b.right, step.button.right);
        EXPECT_EQ(b.bottom, step.button.bottom);
    }
}

// A modal form with two edit fields and an OK button, over another form of the program.
class ModalFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        other.SetVisible(true);
        first = dialog.Create<TEdit>(&dialog, TBounds{10, 10, 100, 20});
        second = dialog.Create<TEdit>(&dialog, TBounds{10, 40, 100, 20});
        ok = dialog.Create<TButton>(&dialog, TBounds{10, 70, 60, 21}, L"OK");
        ok->OnClick = [this](TObject*) { dialog.SetModalResult(mrOk); };
        dialog.OnShow = [this](TObject*) {
            ++shows;
            SetFocus(first->Handle());
        };
    }

    TForm other{nullptr, kLayout};
    TForm dialog{nullptr, TFormLayout{.Caption = L"dialog", .BorderStyle = TBorderStyle::bsDialog,
                                      .ClientWidth = 200, .ClientHeight = 100, .Left = 300, .Top = 300}};
    TEdit* first = nullptr;
    TEdit* second = nullptr;
    TButton* ok = nullptr;
    int shows = 0;
};

TEST_F(ModalFormTest, TabMovesInCreationOrderAndAButtonEndsIt)
{
    bool otherDisabled = false;
    ModalStep tab([&] {
        if (GetFocus() != first->Handle()) return false;
        otherDisabled = !IsWindowEnabled(other.Handle());
        PressKeys({VK_TAB});
        return true;
    });
    ModalStep press([&] {
        if (!tab.Done() || GetFocus() != second->Handle()) return false;
        SendMessageW(ok->Handle(), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(press.Done()) << "Tab did not move to the second field";
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(ModalFormTest, TheCloseBoxAsksFirstAndThenCancels)
{
    int asked = 0;
    dialog.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
    ModalStep close([&] {
        if (!dialog.Visible()) return false;
        SendMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
        if (!dialog.Visible() || dialog.ModalResult() != mrNone) ADD_FAILURE() << "closed though refused";
        PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
        return true;
    });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);
}

TEST(ListBox, DrawsTheLinesInViewFromItsOwnItems)
{
    class RecordingListBox : public TListBox {
    public:
        using TListBox::TListBox;
        std::vector<UINT> Drawn;

    protected:
        bool CNDrawItem(const DRAWITEMSTRUCT& draw) override
        {
            Drawn.push_back(draw.itemID);
            return TListBox::CNDrawItem(draw);
        }
    };
    TForm form(nullptr, kLayout);
    auto* list = form.Create<RecordingListBox>(&form, TBounds{0, 0, 200, 60}, 12);
    std::vector<std::wstring> lines;
    for (int i = 0; i < 1000; ++i) lines.push_back(L"line " + std::to_wstring(i));
    list->SetItems(lines);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 1000);
    form.SetVisible(true);
    UpdateWindow(form.Handle());
    ASSERT_FALSE(list->Drawn.empty());
    EXPECT_EQ(list->Drawn.front(), 0u);
    EXPECT_LE(list->Drawn.size(), 10u) << "lines out of view were drawn";
    list->SetItemIndex(999);
    EXPECT_EQ(list->ItemIndex(), 999);
    EXPECT_GT(list->TopIndex(), 990);
}

// A set-up that fails in part (a tray that is not up yet) still leaves the form, and says why once.
TEST(Form, AnErrorInOnCreateIsShownAndTheFormStays)
{
    std::vector<std::string> shown;
    Application->OnException = [&](TObject*, const std::exception& error) { shown.push_back(error.what()); };
    TForm form(nullptr, kLayout);
    form.OnCreate = [](TObject*) { throw Exception(L"no tray"); };
    EXPECT_NO_THROW(form.DoCreate());
    Application->OnException = nullptr;
    EXPECT_EQ(shown, std::vector<std::string>{"no tray"});
    EXPECT_NE(form.Handle(), nullptr);
}
