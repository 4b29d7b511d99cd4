// What a program that uses the shell controls relies on when it lets one go.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "shellmenus/ShellComboBox.h"
#include "shellviews/ShellListView.h"
#include "shellviews/ShellTreeView.h"
#include "ui/Form.h"

namespace {
struct MadeControl {
    const char* Name;
    std::function<TWinControl*(TForm&)> Make;
};

template <class T>
TWinControl* MakeLoaded(TForm& form)
{
    T* control = form.Create<T>(&form, TBounds{10, 10, 300, 200});
    control->Loaded();
    return control;
}

class ShellControlLifetimeTest : public testing::TestWithParam<MadeControl> {};
}  // namespace

// Someone else took the window off OLE's drop targets first: the control's own revoke fails,
// and its destructor still goes quietly instead of ending the program.
TEST_P(ShellControlLifetimeTest, DestructorSurvivesAFailingRevoke)
{
    TForm form(nullptr, TFormLayout{.Caption = L"lifetime", .ClientWidth = 320, .ClientHeight = 220});
    TWinControl* control = GetParam().Make(form);
    const HWND window = control->Handle();
    ASSERT_EQ(RevokeDragDrop(window), S_OK);
    form.RemoveComponent(control).reset();
    EXPECT_FALSE(IsWindow(window));
}

INSTANTIATE_TEST_SUITE_P(Controls, ShellControlLifetimeTest,
                         testing::Values(MadeControl{"ListView", MakeLoaded<TShellListView>},
                                         MadeControl{"TreeView", MakeLoaded<TShellTreeView>},
                                         MadeControl{"ComboBox", MakeLoaded<TShellComboBox>}),
                         [](const auto& info) { return std::string(info.param.Name); });
