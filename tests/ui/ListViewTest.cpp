// The owner-data list view asks its owner only for what the control asks of
// a row, and keeps what it got while the control asks column by column.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

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
