// What the view lists: the kinds it filters, hidden items, the column set
// per kind of folder, sorting with selection kept, and bad folders.
#include <algorithm>
#include <functional>
#include <stdexcept>

#include "tests/shellviews/ListViewFixture.h"

using Microsoft::WRL::ComPtr;

namespace {
int CountOfKind(TShellFileList& list, TShItemIDType kind)
{
    int count = 0;
    for (int i = 0; i < list.Count(); ++i) count += list.ItemAt(i)->ItemType() == kind;
    return count;
}

std::vector<std::wstring> Captions(const TCustomListView& view)
{
    std::vector<std::wstring> captions;
    for (int i = 0; i < view.ColumnCount(); ++i) captions.push_back(view.Column(i).Caption);
    return captions;
}

// Every neighbouring pair in the order the folder's comparison and the factor ask for.
void ExpectSorted(TShellFileList& list, int column, int factor)
{
    ComPtr<IShellFolder> folder = list.ShellFolder();
    for (int i = 0; i + 1 < list.Count(); ++i) {
        const HRESULT order = folder->CompareIDs(column, list.ItemAt(i)->RelativeIDList(),
                                                 list.ItemAt(i + 1)->RelativeIDList());
        EXPECT_LE(CompareIDsOrder(order) * factor, 0) << "column " << column << " rows " << i << ", " << i + 1;
    }
}
}  // namespace

TEST_F(ListViewTest, DesktopShowsTheVirtualKindsOfItsSet)
{
    TShellFileList& list = View->FileList();
    ASSERT_EQ(list.FolderLevel(), 0) << "a new view lists the Desktop";
    EXPECT_EQ(list.FolderPath(), [] {
        std::wstring path;
        PathFromIDList(SpecialList(sfDesktopDirectory).get(), path);
        return path;
    }());
    const int bins = CountOfKind(list, itBitBucket), networks = CountOfKind(list, itNetWork);
    EXPECT_GT(bins + networks, 0) << "the default set shows the recycle bin and the network";
    EXPECT_GT(CountOfKind(list, itMyComputer), 0);

    View->SetShVirtuaItems({});
    EXPECT_EQ(CountOfKind(list, itBitBucket), 0);
    EXPECT_EQ(CountOfKind(list, itNetWork), 0);
    EXPECT_GT(CountOfKind(list, itMyComputer), 0) << "only the two virtual kinds are filtered";
    View->SetShVirtuaItems({itNetWork});
    EXPECT_EQ(CountOfKind(list, itNetWork), networks);
    EXPECT_EQ(CountOfKind(list, itBitBucket), 0);
}

TEST_F(ListViewTest, VirtualFolderHasOneNameColumnAndTheLayoutComesBack)
{
    EXPECT_EQ(Captions(*View), (std::vector<std::wstring>{L"名前", L"サイズ", L"ファイルの種類", L"更新日時", L"属性"}));
    Folder.AddFile(L"a.txt", 10);
    ListPath(Folder.Path());
    View->SetColumnWidth(2, 77);
    View->SetColumnOrder({1, 0, 2, 3, 4});

    View->SetFolderIDList(SpecialList(sfDrives).get());
    ASSERT_EQ(View->ColumnCount(), 1);
    EXPECT_EQ(View->Column(0).Caption, L"名前");
    EXPECT_EQ(View->Column(0).Width, View->Width() / 2);
    EXPECT_EQ(CountOfKind(View->FileList(), itVirtual), 0) << "the drives folder hides non-file-system rows";
    EXPECT_GT(View->FileList().Count(), 0) << "the drives themselves stay";

    ListPath(Folder.Path());
    ASSERT_EQ(View->ColumnCount(), 5);
    EXPECT_EQ(View->Column(2).Width, 77);
    EXPECT_EQ(View->ColumnOrder(), (std::vector<int>{1, 0, 2, 3, 4}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(View->Column(i).Alignment & LVCFMT_JUSTIFYMASK, i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT) << i;
}

TEST_F(ListViewTest, HiddenItemsFollowIncludeHidden)
{
    const std::wstring hidden = Folder.AddFile(L"secret.txt");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    Folder.AddFile(L"plain.txt");
    ListPath(Folder.Path());
    EXPECT_EQ(View->FileList().Count(), 2);
    View->SetIncludeHidden(false);
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"plain.txt"});
    View->SetIncludeHidden(true);
    EXPECT_EQ(View->FileList().Count(), 2);
}

TEST_F(ListViewTest, ColumnClicksSortEachColumnOneWayThenTheOther)
{
    Folder.AddFolder(L"m-folder");
    Folder.AddFile(L"b.log", 5000);
    Folder.AddFile(L"a.txt", 10);
    Folder.AddFile(L"c.bmp", 2500);
    Folder.AddFile(L"d.txt", 0);
    ListPath(Folder.Path());
    TShellFileList& list = View->FileList();
    ExpectSorted(list, 0, 1);
    for (int column = 0; column < 4; ++column) {
        for (int factor : {-1, 1}) {
            ListView_SetItemState(Window(), -1, 0, LVIS_SELECTED);
            // The header's click as the control reports it to its parent.
            NMLISTVIEW click{{Window(), 0, LVN_COLUMNCLICK}, -1, column};
            SendMessageW(Form->Handle(), WM_NOTIFY, 0, LPARAM(&click));
            EXPECT_EQ(list.SortDirections[size_t(column)], factor);
            EXPECT_EQ(list.SortColumn(), column);
            ExpectSorted(list, column, factor);
        }
    }
}

TEST_F(ListViewTest, SortKeepsTheSelectionAndFocusOnTheSameItems)
{
    for (int i = 0; i < 1000; ++i) Folder.AddFile(L"f" + std::to_wstring(i * 7919 % 1000) + L".txt", DWORD(i));
    ListPath(Folder.Path());
    TShellFileList& list = View->FileList();
    ASSERT_EQ(list.Count(), 1000);
    for (int selectedCount : {900, 100}) {
        SCOPED_TRACE(selectedCount);
        std::vector<TShellFileItem*> selected;
        ListView_SetItemState(Window(), -1, 0, LVIS_SELECTED);
        for (int i = 0; i < selectedCount; ++i) {
            ListView_SetItemState(Window(), i * 1000 / selectedCount, LVIS_SELECTED, LVIS_SELECTED);
            selected.push_back(list.ItemAt(i * 1000 / selectedCount));
        }
        TShellFileItem* focused = list.ItemAt(500);
        ListView_SetItemState(Window(), 500, LVIS_FOCUSED, LVIS_FOCUSED);

        list.SortDirections[1] = -list.SortDirections[1];
        list.SortByColumn(1);
        ExpectSorted(list, 1, list.SortDirections[1]);
        ASSERT_EQ(View->SelCount(), selectedCount);
        for (TShellFileItem* item : selected)
            EXPECT_TRUE(View->ItemHasState(list.IndexOf(item), LVIS_SELECTED));
        EXPECT_EQ(View->NextItem(-1, LVNI_FOCUSED), list.IndexOf(focused));
        DWORD sum = 0;
        for (TShellFileItem* item : selected) sum += item->FileSize();
        EXPECT_EQ(SelSizes.back(), sum) << "one selection report after the sort, with the same size";
    }
}

TEST_F(ListViewTest, AFolderWithoutPathIsNotSortedByAttributes)
{
    View->SetFolderIDList(SpecialList(sfDrives).get());
    TShellFileList& list = View->FileList();
    const std::vector<std::wstring> before = Names();
    list.SortDirections[4] = -1;
    list.SortByColumn(4);
    EXPECT_EQ(list.SortColumn(), 0);
    EXPECT_EQ(Names(), before);
}

TEST_F(ListViewTest, AFolderThatCannotBeListedGivesAnEmptyListing)
{
    Folder.AddFile(L"a.txt");
    ListPath(Folder.Path());
    ASSERT_EQ(View->FileList().Count(), 1);
    const std::wstring gone = Folder.AddFolder(L"gone");
    TIDListPtr goneList = IDListOfPath(gone);
    RemoveDirectoryW(gone.c_str());
    const int changes = ListChanges;
    View->SetFolderIDList(goneList.get());
    EXPECT_EQ(View->FileList().Count(), 0);
    EXPECT_EQ(View->ItemCount(), 0);
    EXPECT_EQ(ListChanges, changes + 1) << "the change is raised even for an empty listing";
}

TEST_F(ListViewTest, SettingsChangeRebuildsTheWindowOnTheSameFolder)
{
    Folder.AddFile(L"a.txt");
    ListPath(Folder.Path());
    const HWND old = Window();
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Window() != old && Window(); }, 10000)) << "the window is made again";
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"a.txt"});
    EXPECT_EQ(View->ItemCount(), 1);
    EXPECT_EQ(View->ColumnCount(), 5);
    EXPECT_EQ(HIMAGELIST(SendMessageW(Window(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)), SystemImageList(false));
}

TEST_F(ListViewTest, AViewLeaksNoItemListThroughItsLife)
{
    for (const wchar_t* name : {L"a.txt", L"b\\c.txt"}) Folder.AddFile(name);
    auto life = [&] {
        TShellListView* view = Form->Create<TShellListView>(Form.get(), TBounds{0, 0, 300, 200});
        view->SetViewStyle(vsReport);
        view->Loaded();
        for (const std::wstring& path : {Folder.Path(), Folder.Path() + L"\\b", Folder.Path()}) {
            view->SetFolderIDList(IDListOfPath(path).get());
            UpdateWindow(view->Handle());
        }
        view->SetFolderIDList(SpecialList(sfDrives).get());
        view->RefreshList();
        view->FileList().SortByColumn(1);
        view->FileList().SelectedIDList();
        Form->RemoveComponent(view).reset();
    };
    life();  // the shell's own caches fill the first time
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    for (int round = 0; round < 3; ++round) life();
    EXPECT_GT(counter.Allocations(), 50);
    EXPECT_EQ(counter.Allocations(), counter.Frees());
}

// A handler that throws: one message, a listing whole or empty, and the next
// action works. These errors once ended the program through a scope guard.
TEST_F(ListViewTest, AHandlerThatThrowsIsShownOnceAndTheNextActionWorks)
{
    Folder.AddFile(L"a.txt");
    Folder.AddFile(L"b.txt");
    ListPath(Folder.Path());
    const auto countRows = View->OnShListChange;
    auto fail = [] { throw std::runtime_error("handler"); };
    auto sort = [&] {
        NMLISTVIEW click{{Window(), 0, LVN_COLUMNCLICK}, -1, 0};
        SendMessageW(Form->Handle(), WM_NOTIFY, 0, LPARAM(&click));
    };
    struct Case {
        const char* name;
        std::function<void()> breakHandler, action;
        int rowsAfterFailure;
    } cases[] = {
        {"filter", [&] { View->OnShFilter = [&](TObject*, TShellFileItem*, bool&) { fail(); }; },
         [&] { SendMessageW(Window(), WM_KEYDOWN, VK_F5, 0); }, 0},
        {"list change", [&] { View->OnShListChange = [&](TObject*, TShellFileList*) { fail(); }; },
         [&] { SendMessageW(Window(), WM_KEYDOWN, VK_F5, 0); }, 2},
        {"selection on sort", [&] { View->OnShSelChange = [&](TObject*, DWORD) { fail(); }; }, sort, 2},
        {"draw", [&] { View->OnCustomDrawItem = [&](TObject*, int, UINT, bool&, bool&) { fail(); }; },
         [&] { RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            ShownErrors shown;
            c.breakHandler();
            c.action();
            EXPECT_EQ(shown.Texts, std::vector<std::string>{"handler"});
            EXPECT_EQ(View->FileList().Count(), c.rowsAfterFailure);
            EXPECT_EQ(View->ItemCount(), c.rowsAfterFailure);
            EXPECT_EQ(View->Canvas().Handle(), nullptr) << "the canvas lent to a handler is taken back";
        }
        View->OnShFilter = nullptr;
        View->OnShListChange = countRows;
        View->OnShSelChange = nullptr;
        View->OnCustomDrawItem = nullptr;
        const int changes = ListChanges;
        View->RefreshList();
        EXPECT_EQ(ListChanges, changes + 1);
        EXPECT_EQ(View->ItemCount(), 2);
    }
}
