// The owner-data list view asks its owner only for what the control asks of
// a row, and keeps what it got while the control asks column by column; its
// owner-drawn rows and its work areas.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>

#include "tests/common/Platform.h"
#include "tests/common/Pump.h"
#include "ui/Form.h"
#include "ui/ListView.h"

namespace {
class CountingList : public TCustomListView {
public:
    using TCustomListView::TCustomListView;
    std::vector<unsigned> Requests;

protected:
    bool OwnerDataFetch(int index, unsigned request, TListRow& row) override
    {
        Requests.push_back(request);
        if (request & irText) row.Caption = L"row " + std::to_wstring(index), row.SubItems = {L"more"};
        if (request & irImage) row.ImageIndex = index;
        return true;
    }
};
}  // namespace

TEST(OwnerDataListView, AStateCheckFetchesNoTextAndTheColumnsShareOneFetch)
{
    TForm form(nullptr, TFormLayout{.Caption = L"rows", .ClientWidth = 300, .ClientHeight = 200});
    auto* list = form.Create<CountingList>(&form, TBounds{0, 0, 300, 200});
    list->SetOwnerData(true);
    list->SetViewStyle(vsReport);
    list->AddColumn({L"a", 100});
    list->AddColumn({L"b", 100});
    list->HandleNeeded();
    list->SetItemCount(10);
    list->Requests.clear();

    ListView_GetItemState(list->Handle(), 3, LVIS_OVERLAYMASK);
    EXPECT_EQ(list->Requests, std::vector<unsigned>{irState});
    wchar_t text[32] = {};
    ListView_GetItemText(list->Handle(), 3, 0, text, 32);
    EXPECT_STREQ(text, L"row 3");
    ListView_GetItemText(list->Handle(), 3, 1, text, 32);
    EXPECT_STREQ(text, L"more");
    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_TEXT;
    item.iItem = 3;
    item.pszText = text;
    item.cchTextMax = 32;
    ListView_GetItem(list->Handle(), &item);
    EXPECT_EQ(item.iImage, 3);
    EXPECT_STREQ(text, L"row 3") << "the text fetched before is kept with the image fetched now";
    EXPECT_EQ(list->Requests, (std::vector<unsigned>{irState, irText, irImage}));
}

// OnEditing decides after the control's own rule, as the tree view's does: a
// handler that says no starts no editor, and a read-only view asks none.
TEST(OwnerDataListView, OnEditingDecidesWhetherAnEditStarts)
{
    TForm form(nullptr, TFormLayout{.Caption = L"rows", .ClientWidth = 300, .ClientHeight = 200});
    form.SetVisible(true);
    auto* list = form.Create<CountingList>(&form, TBounds{0, 0, 300, 200});
    list->SetOwnerData(true);
    list->SetViewStyle(vsReport);
    list->AddColumn({L"a", 100});
    list->HandleNeeded();
    list->SetItemCount(5);
    bool allow = false;
    std::vector<int> asked;
    list->OnEditing = [&](TObject* sender, int item, bool& allowEdit) {
        EXPECT_EQ(sender, list);
        EXPECT_TRUE(allowEdit) << "the control's own rule allowed it";
        asked.push_back(item);
        allowEdit = allow;
    };
    list->EditCaption(2);
    EXPECT_EQ(ListView_GetEditControl(list->Handle()), nullptr) << "refused";
    allow = true;
    list->EditCaption(3);
    EXPECT_NE(ListView_GetEditControl(list->Handle()), nullptr);
    ListView_CancelEditLabel(list->Handle());
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    list->SetReadOnly(true);
    list->EditCaption(3);
    EXPECT_EQ(ListView_GetEditControl(list->Handle()), nullptr);
    EXPECT_EQ(asked.size(), 2u) << "a read-only view does not ask";
}

namespace {
// A shown report view of 100 owner-data rows in one column.
class ListViewDrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"drawn", .ClientWidth = 300,
                                                            .ClientHeight = 200, .Left = 80, .Top = 80});
        List = Form->Create<CountingList>(Form.get(), TBounds{0, 0, 300, 200});
        List->SetOwnerData(true);
        List->SetViewStyle(vsReport);
        List->AddColumn({L"a", 250});
        Form->SetVisible(true);
        List->HandleNeeded();
        List->SetItemCount(100);
    }

    // Paints the whole control now.
    void Repaint() { RedrawWindow(List->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

    // How many pixels in the rectangle have the colour.
    int PixelsOfColour(const RECT& r, COLORREF colour)
    {
        HDC dc = GetDC(List->Handle());
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) count += GetPixel(dc, x, y) == colour;
        ReleaseDC(List->Handle(), dc);
        return count;
    }

    std::unique_ptr<TForm> Form;
    CountingList* List = nullptr;
};
}  // namespace

// Without a handler an owner-drawn row still shows its caption; with one,
// every row in view is drawn once in its own rectangle, from the first one
// shown, and the rows out of view are not drawn.
TEST_F(ListViewDrawTest, AnOwnerDrawnReportViewDrawsEachVisibleRowInItsRect)
{
    List->SetOwnerDraw(true);
    Repaint();
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(List->Handle(), 1, &row, LVIR_BOUNDS));
    EXPECT_GT(PixelsOfColour(row, List->FontColor()), 0) << "the caption in the text colour";

    std::map<int, RECT> drawn;
    List->OnDrawItem = [&](TObject* sender, int index, const RECT& rect, TOwnerDrawState) {
        EXPECT_EQ(sender, List);
        EXPECT_NE(List->Canvas().Handle(), nullptr) << "the canvas is lent while a row is drawn";
        EXPECT_TRUE(drawn.emplace(index, rect).second) << "row " << index << " drawn twice";
    };
    for (int top : {0, 40}) {
        SCOPED_TRACE(top);
        List->ScrollToTop(top);
        drawn.clear();
        Repaint();
        ASSERT_TRUE(PumpUntil([&] { return !drawn.empty(); }, 2000));
        const int perPage = ListView_GetCountPerPage(List->Handle());
        ASSERT_GT(perPage, 2);
        EXPECT_EQ(drawn.begin()->first, top);
        // The rows that fit, and the one cut off at the bottom at most.
        EXPECT_GE(int(drawn.size()), perPage);
        EXPECT_LE(int(drawn.size()), perPage + 1);
        EXPECT_EQ(drawn.rbegin()->first, top + int(drawn.size()) - 1) << "no row left out between";
        for (const auto& [index, rect] : drawn) {
            SCOPED_TRACE(index);
            RECT bounds{};
            ASSERT_TRUE(ListView_GetItemRect(List->Handle(), index, &bounds, LVIR_BOUNDS));
            // Wine moves the drawn row right by the report's margin.
            EXPECT_EQ(rect.top, bounds.top);
            EXPECT_EQ(rect.bottom, bounds.bottom);
            EXPECT_EQ(rect.right - rect.left, bounds.right - bounds.left);
        }
    }
    EXPECT_EQ(List->Canvas().Handle(), nullptr) << "the canvas was given back";
}

namespace {
// The work areas sent to the list views of this thread, and to which window.
struct TSentWorkAreas {
    HWND Window;
    std::vector<RECT> Areas;
};
std::vector<TSentWorkAreas> SentWorkAreas;

LRESULT CALLBACK RecordWorkAreas(int code, WPARAM wParam, LPARAM lParam)
{
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent.message == LVM_SETWORKAREAS) {
        const auto* areas = reinterpret_cast<const RECT*>(sent.lParam);
        SentWorkAreas.push_back({sent.hwnd, std::vector<RECT>(areas, areas + sent.wParam)});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool SameAreas(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RECT& x, const RECT& y) { return EqualRect(&x, &y) != FALSE; });
}
}  // namespace

// The work areas reach the live window once per change and a window made
// later again; the shown ones are framed in the icon style.
TEST_F(ListViewDrawTest, WorkAreasReachANewWindowAndShowTheirFrames)
{
    const std::vector<RECT> areas{{10, 10, 140, 90}, {150, 10, 290, 90}};
    List->SetViewStyle(vsIcon);
    List->SetItemCount(0);
    // Wine's list view keeps no work areas to ask back: what it was sent is heard on the way.
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordWorkAreas, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SentWorkAreas.clear();
    List->SetWorkAreas(areas);
    List->SetWorkAreas(areas);
    List->RecreateWnd();
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(SentWorkAreas.size(), 2u) << "once for the change, once for the new window";
    EXPECT_TRUE(SameAreas(SentWorkAreas[0].Areas, areas));
    EXPECT_TRUE(SameAreas(SentWorkAreas[1].Areas, areas));
    EXPECT_EQ(SentWorkAreas[1].Window, List->Handle());
    if (!UnderWine()) {
        UINT count = 0;
        ListView_GetNumberOfWorkAreas(List->Handle(), &count);
        EXPECT_EQ(count, areas.size());
    }

    const RECT topEdge{10, 10, 140, 11};
    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        List->SetShowWorkAreas(shown);
        Repaint();
        const int background = PixelsOfColour(topEdge, List->Color());
        if (shown) EXPECT_LT(background, 130) << "the top edge is dotted";
        else EXPECT_EQ(background, 130);
    }
}
