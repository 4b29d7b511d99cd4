// How a control hears its window: a control is found by its window only while
// the window is its own, whoever destroys the window, and a system control
// that another procedure subclassed after the control keeps its chain when
// the control lets go.
#include <gtest/gtest.h>

#include <memory>

#include "ui/Form.h"
#include "ui/ListView.h"
#include "ui/StdCtrls.h"

namespace {
class WindowRouting : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"routing", .ClientWidth = 300,
                                                            .ClientHeight = 200, .Left = 40, .Top = 40});
        List = Form->Create<TCustomListView>(Form.get(), TBounds{10, 10, 200, 150});
        List->HandleNeeded();
    }

    std::unique_ptr<TForm> Form;
    TCustomListView* List = nullptr;
};

// A procedure put over the control's own, as another library would.
WNDPROC NextProc = nullptr;
int LaterDestroys = 0;
LRESULT CALLBACK LaterProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) ++LaterDestroys;
    return CallWindowProcW(NextProc, wnd, message, wParam, lParam);
}
}  // namespace

TEST_F(WindowRouting, AControlIsFoundByItsWindowUntilTheWindowGoesHoweverItGoes)
{
    auto* panel = Form->Create<TPanel>(Form.get(), TBounds{0, 160, 100, 30});
    const HWND listWindow = List->Handle(), panelWindow = panel->Handle();
    EXPECT_EQ(TWinControl::FromHandle(listWindow), List);
    EXPECT_EQ(TWinControl::FromHandle(panelWindow), panel);
    EXPECT_EQ(TWinControl::FromHandle(Form->Handle()), Form.get());
    EXPECT_EQ(TWinControl::FromHandle(GetDesktopWindow()), nullptr);

    // Destroyed from outside, as with a parent: a system control and one of our own class.
    DestroyWindow(listWindow);
    DestroyWindow(panelWindow);
    EXPECT_EQ(TWinControl::FromHandle(listWindow), nullptr);
    EXPECT_EQ(TWinControl::FromHandle(panelWindow), nullptr);
    EXPECT_EQ(List->Handle(), nullptr);

    // A control that destroys its own window forgets it too, and hears the new one.
    List->HandleNeeded();
    const HWND again = List->Handle();
    EXPECT_EQ(TWinControl::FromHandle(again), List);
    ListView_SetBkColor(again, RGB(1, 2, 3));
    EXPECT_EQ(ListView_GetBkColor(again), RGB(1, 2, 3)) << "messages reach the system control's own procedure";
    Form->RemoveComponent(List).reset();
    EXPECT_EQ(TWinControl::FromHandle(again), nullptr);
    EXPECT_FALSE(IsWindow(again));
}

TEST_F(WindowRouting, AProcedurePutOverTheControlsOwnStillHearsTheWindowsEnd)
{
    const HWND wnd = List->Handle();
    LaterDestroys = 0;
    NextProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(&LaterProc)));
    ListView_SetBkColor(wnd, RGB(4, 5, 6));
    EXPECT_EQ(ListView_GetBkColor(wnd), RGB(4, 5, 6)) << "through the later procedure and the control's";

    Form->RemoveComponent(List).reset();
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(LaterDestroys, 1) << "the control did not put its own predecessor back over the later procedure";
    EXPECT_EQ(TWinControl::FromHandle(wnd), nullptr);
}
