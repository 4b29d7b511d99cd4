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
