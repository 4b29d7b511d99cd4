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
