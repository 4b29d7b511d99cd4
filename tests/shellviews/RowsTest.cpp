// Rows as the control shows them, the view's filter, and dropping deleted rows.
#include "tests/shellviews/ListViewFixture.h"

namespace {
std::wstring CellText(HWND window, int row, int column)
{
    wchar_t text[260] = {};
    ListView_GetItemText(window, row, column, text, int(std::size(text)));
    return text;
}
}  // namespace

TEST_F(ListViewTest, RowsShowSizeTypeDateAndAttributes)
{
    const std::wstring readOnly = Folder.AddFile(L"one.txt", 1);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    Folder.AddFile(L"empty.txt", 0);
    Folder.AddFile(L"over.txt", 1025);
    Folder.AddFolder(L"folder");
    ListPath(Folder.Path());
    ASSERT_TRUE(WaitForRowAnswers());
    struct Row {
        const wchar_t* name;
        const wchar_t* size;
        const wchar_t* attributes;
    } rows[] = {{L"one.txt", L"1KB", L"RA"}, {L"empty.txt", L"0KB", nullptr}, {L"over.txt", L"2KB", nullptr},
                {L"folder", L"", nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(int(&row - rows));
        const int index = IndexOfName(row.name);
        ASSERT_GE(index, 0);
        TShellFileItem* item = View->FileList().ItemAt(index);
        EXPECT_EQ(CellText(Window(), index, 0), row.name);
        EXPECT_EQ(CellText(Window(), index, 1), row.size);
        EXPECT_EQ(CellText(Window(), index, 2), item->TypeName());
        EXPECT_FALSE(item->TypeName().empty());
        EXPECT_EQ(CellText(Window(), index, 3), item->DateText());
        EXPECT_FALSE(item->DateText().empty());
        if (row.attributes) {
            EXPECT_EQ(CellText(Window(), index, 4), row.attributes);
        }
    }

    // With attribute images the column has no letters; when the image list
    // goes, the view forgets it and the letters come back.
    auto* imageList = Form->Create<TImageList>();
    const TAttributesImage images{.ImageList = imageList, .ReadOnly = 1};
    View->SetAttributesImage(&images);
    EXPECT_EQ(CellText(Window(), IndexOfName(L"one.txt"), 4), L"");
    View->SetAttributesImage(nullptr);
    EXPECT_EQ(View->AttributesImage(), images) << "none given changes nothing";
    Form->RemoveComponent(imageList).reset();
    EXPECT_EQ(View->AttributesImage().ImageList, nullptr);
    EXPECT_EQ(View->AttributesImage().ReadOnly, 1) << "the indices stay";
    EXPECT_EQ(CellText(Window(), IndexOfName(L"one.txt"), 4), L"RA");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ListViewTest, TheViewsFilterDropsRows)
{
    Folder.AddFile(L"keep.txt");
    Folder.AddFile(L"drop.log");
    View->OnShFilter = [](TObject*, TShellFileItem* item, bool& accept) {
        accept = item->DisplayName().ends_with(L".txt");
    };
    ListPath(Folder.Path());
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"keep.txt"});
    EXPECT_EQ(View->ItemCount(), 1);
}

TEST_F(ListViewTest, RemovingSelectedRowsKeepsTheRestWithoutAskingTheShell)
{
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) Folder.AddFile(name);
    ListPath(Folder.Path());
    TShellFileItem* b = View->FileList().ItemAt(IndexOfName(L"b.txt"));
    TShellFileItem* d = View->FileList().ItemAt(IndexOfName(L"d.txt"));
    ListView_SetItemState(Window(), IndexOfName(L"a.txt"), LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(Window(), IndexOfName(L"c.txt"), LVIS_SELECTED, LVIS_SELECTED);
    const int changes = ListChanges;

    View->FileList().RemoveSelectedItems();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"b.txt", L"d.txt"}));
    EXPECT_EQ(View->FileList().ItemAt(0), b) << "the remaining rows are the same items";
    EXPECT_EQ(View->FileList().ItemAt(1), d);
    EXPECT_EQ(View->ItemCount(), 2);
    EXPECT_EQ(View->SelCount(), 0);
    EXPECT_EQ(ListChanges, changes + 1);

    View->FileList().RemoveSelectedItems();
    EXPECT_EQ(View->ItemCount(), 2) << "nothing selected, nothing removed";
    EXPECT_EQ(ListChanges, changes + 1);
}
