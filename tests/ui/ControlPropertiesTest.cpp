// The controls' published properties as the real controls show them: each
// setter's window style, extended style or state read back from the window,
// for a value set before the window exists and for one set on a live window,
// and back again; and the properties every control keeps (Enabled, TabOrder,
// TabStop).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ComboBox.h"
#include "ui/Form.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"

namespace {
class ControlPropertiesTest : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"properties", .ClientWidth = 400,
                                                            .ClientHeight = 300, .Left = 40, .Top = 40});
        Form->SetVisible(true);
    }

    static bool HasStyle(HWND wnd, DWORD bits) { return (GetWindowLongPtrW(wnd, GWL_STYLE) & bits) == bits; }
    static bool HasExStyle(HWND wnd, DWORD bits) { return (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & bits) == bits; }
    static bool HasListExStyle(HWND wnd, DWORD bits) { return (ListView_GetExtendedListViewStyle(wnd) & bits) == bits; }

    // One property: the value away from its default, and whether the window shows it.
    template <class Control>
    struct Case {
        const char* name;
        std::function<void(Control&, bool away)> set;
        std::function<bool(HWND)> shows;
    };

    // Set away before the window, read back; set back on the live window, read
    // back; away again on the live window, read back; and again in a new window.
    template <class Control>
    void CheckCases(const std::vector<Case<Control>>& cases)
    {
        for (const Case<Control>& c : cases) {
            SCOPED_TRACE(c.name);
            auto* control = Form->Create<Control>(Form.get(), TBounds{10, 10, 200, 150});
            c.set(*control, true);
            control->HandleNeeded();
            EXPECT_TRUE(c.shows(control->Handle())) << "set before the window";
            c.set(*control, false);
            EXPECT_FALSE(c.shows(control->Handle())) << "back to the default on the live window";
            c.set(*control, true);
            EXPECT_TRUE(c.shows(control->Handle())) << "set on the live window";
            control->RecreateWnd();
            EXPECT_TRUE(c.shows(control->Handle())) << "kept for a new window";
            Form->RemoveComponent(control).reset();
        }
    }

    std::unique_ptr<TForm> Form;
};
}  // namespace

TEST_F(ControlPropertiesTest, ListViewPropertiesReachTheControlsStyles)
{
    using L = TCustomListView;
    // One of the icon options changed, the others left as they are.
    auto iconOption = [](void (*change)(TIconOptions&, bool away)) {
        return [change](L& l, bool away) {
            TIconOptions options = l.IconOptions();
            change(options, away);
            l.SetIconOptions(options);
        };
    };
    CheckCases<L>({
        {"IconOptions.Arrangement", iconOption([](TIconOptions& o, bool away) { o.Arrangement = away ? iaLeft : iaTop; }),
         [](HWND w) { return HasStyle(w, LVS_ALIGNLEFT); }},
        {"IconOptions.AutoArrange", iconOption([](TIconOptions& o, bool away) { o.AutoArrange = !away; }),
         [](HWND w) { return !HasStyle(w, LVS_AUTOARRANGE); }},
        {"IconOptions.WrapText", iconOption([](TIconOptions& o, bool away) { o.WrapText = !away; }),
         [](HWND w) { return HasStyle(w, LVS_NOLABELWRAP); }},
        {"OwnerDraw", [](L& l, bool on) { l.SetOwnerDraw(on); }, [](HWND w) { return HasStyle(w, LVS_OWNERDRAWFIXED); }},
        {"GridLines", [](L& l, bool on) { l.SetGridLines(on); }, [](HWND w) { return HasListExStyle(w, LVS_EX_GRIDLINES); }},
        {"TabStop", [](L& l, bool away) { l.SetTabStop(!away); }, [](HWND w) { return !HasStyle(w, WS_TABSTOP); }},
        {"HoverTime", [](L& l, bool away) { l.SetHoverTime(away ? 1234 : 0); },
         [](HWND w) { return ListView_GetHoverTime(w) == 1234; }},
        {"Checkboxes", [](L& l, bool on) { l.SetCheckboxes(on); }, [](HWND w) { return HasListExStyle(w, LVS_EX_CHECKBOXES); }},
        {"HotTrack", [](L& l, bool on) { l.SetHotTrack(on); }, [](HWND w) { return HasListExStyle(w, LVS_EX_TRACKSELECT); }},
        {"RowSelect", [](L& l, bool on) { l.SetRowSelect(on); }, [](HWND w) { return HasListExStyle(w, LVS_EX_FULLROWSELECT); }},
        {"FlatScrollBars", [](L& l, bool on) { l.SetFlatScrollBars(on); }, [](HWND w) { return HasListExStyle(w, LVS_EX_FLATSB); }},
        {"FullDrag", [](L& l, bool away) { l.SetFullDrag(!away); }, [](HWND w) { return !HasListExStyle(w, LVS_EX_HEADERDRAGDROP); }},
        {"ColumnClick", [](L& l, bool away) { l.SetColumnClick(!away); }, [](HWND w) { return HasStyle(w, LVS_NOSORTHEADER); }},
        {"HideSelection", [](L& l, bool away) { l.SetHideSelection(!away); }, [](HWND w) { return HasStyle(w, LVS_SHOWSELALWAYS); }},
        {"ShowColumnHeaders", [](L& l, bool away) { l.SetShowColumnHeaders(!away); }, [](HWND w) { return HasStyle(w, LVS_NOCOLUMNHEADER); }},
        {"MultiSelect", [](L& l, bool away) { l.SetMultiSelect(!away); }, [](HWND w) { return HasStyle(w, LVS_SINGLESEL); }},
        {"ReadOnly", [](L& l, bool on) { l.SetReadOnly(on); }, [](HWND w) { return !HasStyle(w, LVS_EDITLABELS); }},
        {"BorderStyle", [](L& l, bool away) { l.SetBorderStyle(away ? TBorderStyle::bsNone : TBorderStyle::bsSingle); },
         [](HWND w) { return !HasExStyle(w, WS_EX_CLIENTEDGE); }},
    });
}

TEST_F(ControlPropertiesTest, TreeViewPropertiesReachTheControlsStyles)
{
    using T = TCustomTreeView;
    CheckCases<T>({
        {"ShowButtons", [](T& t, bool away) { t.SetShowButtons(!away); }, [](HWND w) { return !HasStyle(w, TVS_HASBUTTONS); }},
        {"ShowLines", [](T& t, bool away) { t.SetShowLines(!away); }, [](HWND w) { return !HasStyle(w, TVS_HASLINES); }},
        {"ShowRoot", [](T& t, bool away) { t.SetShowRoot(!away); }, [](HWND w) { return !HasStyle(w, TVS_LINESATROOT); }},
        {"ToolTips", [](T& t, bool away) { t.SetToolTips(!away); },
         [](HWND w) { return HasStyle(w, TVS_NOTOOLTIPS) && !TreeView_GetToolTips(w); }},
        {"RowSelect", [](T& t, bool on) { t.SetRowSelect(on); }, [](HWND w) { return HasStyle(w, TVS_FULLROWSELECT); }},
        {"HotTrack", [](T& t, bool on) { t.SetHotTrack(on); }, [](HWND w) { return HasStyle(w, TVS_TRACKSELECT); }},
        {"HideSelection", [](T& t, bool away) { t.SetHideSelection(!away); }, [](HWND w) { return HasStyle(w, TVS_SHOWSELALWAYS); }},
        {"ReadOnly", [](T& t, bool on) { t.SetReadOnly(on); }, [](HWND w) { return !HasStyle(w, TVS_EDITLABELS); }},
        {"BorderStyle", [](T& t, bool away) { t.SetBorderStyle(away ? TBorderStyle::bsNone : TBorderStyle::bsSingle); },
         [](HWND w) { return !HasExStyle(w, WS_EX_CLIENTEDGE); }},
    });
}

// Tips switched off in a live window go, and come back when switched on.
TEST_F(ControlPropertiesTest, TreeTipsComeAndGoInALiveWindow)
{
    auto* tree = Form->Create<TCustomTreeView>(Form.get(), TBounds{10, 10, 200, 150});
    tree->HandleNeeded();
    ASSERT_NE(TreeView_GetToolTips(tree->Handle()), nullptr);
    tree->SetToolTips(false);
    EXPECT_EQ(TreeView_GetToolTips(tree->Handle()), nullptr);
    tree->SetToolTips(true);
    EXPECT_NE(TreeView_GetToolTips(tree->Handle()), nullptr);
}

TEST_F(ControlPropertiesTest, EnabledAndTabOrderSetBeforeTheWindowHoldWhenItIsMade)
{
    auto* list = Form->Create<TCustomListView>(Form.get(), TBounds{10, 10, 100, 100});
    auto* tree = Form->Create<TCustomTreeView>(Form.get(), TBounds{120, 10, 100, 100});
    auto* combo = Form->Create<TCustomComboBox>(Form.get(), TBounds{230, 10, 100, 24});
    list->HandleNeeded();
    tree->HandleNeeded();
    combo->SetEnabled(false);
    combo->SetTabOrder(0);
    EXPECT_FALSE(combo->Enabled());
    EXPECT_EQ(combo->TabOrder(), 0);
    combo->HandleNeeded();
    EXPECT_FALSE(IsWindowEnabled(combo->Handle()));
    EXPECT_EQ(GetWindow(Form->Handle(), GW_CHILD), combo->Handle()) << "first in the tab order";
    EXPECT_EQ(combo->TabOrder(), 0);
    EXPECT_EQ(list->TabOrder(), 1);
    EXPECT_EQ(tree->TabOrder(), 2);

    combo->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(combo->Handle()));
    EXPECT_EQ(GetNextDlgTabItem(Form->Handle(), combo->Handle(), FALSE), list->Handle());
    combo->SetTabOrder(2);
    EXPECT_EQ(combo->TabOrder(), 2);
    EXPECT_EQ(tree->TabOrder(), 1);
    combo->SetTabOrder(7);
    EXPECT_EQ(combo->TabOrder(), 2) << "past the end is the last place";
    combo->RecreateWnd();
    EXPECT_EQ(combo->TabOrder(), 2) << "a new window goes back to its place";
}
