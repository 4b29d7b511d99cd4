// Forms from layouts: client size, ownership by the application window,
// docking, button clicks and closing.
#include <gtest/gtest.h>

#include "tests/common/Pump.h"
#include "ui/Application.h"
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
    LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application->Handle());
    EXPECT_FALSE(form.Visible());
}

TEST(Form, TopPanelFollowsTheFormsWidthAndButtonsClick)
{
    TForm form(nullptr, kLayout);
    TPanel* panel = form.Create<TPanel>(&form, TBounds{0, 0, 10, 28}, TAlign::alTop);
    TButton* button = form.Create<TButton>(panel, TBounds{4, 4, 96, 21}, L"押す");
    EXPECT_EQ(panel->Width(), 300);
    EXPECT_EQ(panel->Height(), 28);
    form.SetWidth(form.Width() + 50);
    EXPECT_EQ(panel->Width(), 350);

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

namespace {
int FontHeight(HFONT font)
{
    LOGFONTW log{};
    GetObjectW(font, sizeof log, &log);
    return log.lfHeight;
}
}  // namespace

// Moved to a monitor of another resolution, the form lays itself out for it
// in the rectangle the system suggests, and back again.
TEST(Form, ANewResolutionScalesTheChildrenAndTheFont)
{
    TForm form(nullptr, TFormLayout{.Caption = L"dpi", .ClientWidth = 200, .ClientHeight = 100,
                                    .Font = {L"Tahoma", -12, DEFAULT_CHARSET}});
    TButton* button = form.Create<TButton>(&form, TBounds{4, 8, 96, 20}, L"押す");
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
        const RECT b = button->BoundsRect();
        EXPECT_EQ(b.left, step.button.left);
        EXPECT_EQ(b.top, step.button.top);
        EXPECT_EQ(b.right, step.button.right);
        EXPECT_EQ(b.bottom, step.button.bottom);
    }
}
