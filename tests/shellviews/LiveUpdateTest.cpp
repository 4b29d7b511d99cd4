// The listing kept current by its real watchers: names re-enumerate, contents
// refresh rows in place, a held button defers nothing, a removed folder moves on.
#include <algorithm>
#include <functional>
#include <stdexcept>

#include "shell/ChangeHandle.h"
#include "shell/ShellNotify.h"
#include "tests/shellviews/ListViewFixture.h"

namespace {
// A generous limit: the watchers settle for two seconds before they report.
constexpr DWORD kReportLimitMs = 15000;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST_F(ListViewTest, NamesCreatedRenamedAndDeletedElsewhereReEnumerate)
{
    Folder.AddFile(L"first.txt");
    ListPath(Folder.Path());
    ASSERT_EQ(Names(), std::vector<std::wstring>{L"first.txt"});

    const std::wstring second = Folder.AddFile(L"second.txt");
    EXPECT_TRUE(PumpUntil([&] { return Contains(Names(), L"second.txt"); }, kReportLimitMs));
    EXPECT_EQ(View->ItemCount(), 2);

    ASSERT_TRUE(MoveFileW(second.c_str(), (Folder.Path() + L"\\renamed.txt").c_str()));
    EXPECT_TRUE(PumpUntil([&] { return Contains(Names(), L"renamed.txt") && !Contains(Names(), L"second.txt"); },
                          kReportLimitMs));

    ASSERT_TRUE(DeleteFileW((Folder.Path() + L"\\first.txt").c_str()));
    EXPECT_TRUE(PumpUntil([&] { return Names() == std::vector<std::wstring>{L"renamed.txt"}; }, kReportLimitMs));
    EXPECT_EQ(View->ItemCount(), 1);
}

TEST_F(ListViewTest, ChangedContentsRefreshTheRowInPlace)
{
    const std::wstring file = Folder.AddFile(L"grows.txt", 100);
    Folder.AddFile(L"stays.txt", 100);
    ListPath(Folder.Path());
    TShellFileItem* row = View->FileList().ItemAt(IndexOfName(L"grows.txt"));
    ASSERT_EQ(row->SizeText(), L"1KB");
    const int changes = ListChanges;

    CreateFileWithSize(file, 5000);
    EXPECT_TRUE(PumpUntil([&] { return row->SizeText() == L"5KB"; }, kReportLimitMs));
    EXPECT_EQ(ListChanges, changes) << "a change of contents does not enumerate again";
    EXPECT_EQ(View->FileList().ItemAt(IndexOfName(L"grows.txt")), row);
}

// The selection's size follows a selected file that grows or shrinks
// elsewhere, so that letting the rows go one by one ends at nothing.
TEST_F(ListViewTest, TheSelectionSizeFollowsSelectedFilesThatChangeSize)
{
    const std::wstring file = Folder.AddFile(L"changes.txt", 100);
    Folder.AddFile(L"stays.txt", 40);
    Folder.AddFile(L"unselected.txt", 7);
    ListPath(Folder.Path());
    const auto setSelected = [&](const wchar_t* name, bool selected) {
        ListView_SetItemState(Window(), IndexOfName(name), selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
    };
    setSelected(L"changes.txt", true);
    setSelected(L"stays.txt", true);
    ASSERT_EQ(View->SelSize(), 140u);
    TShellFileItem* row = View->FileList().ItemAt(IndexOfName(L"changes.txt"));
    for (DWORD size : {5000u, 10u}) {
        SCOPED_TRACE(size);
        CreateFileWithSize(file, size);
        ASSERT_TRUE(PumpUntil([&] { return row->FileSize() == size; }, kReportLimitMs));
        EXPECT_EQ(View->SelSize(), size + 40);
        EXPECT_EQ(SelSizes.back(), size + 40) << "the new size is reported";
    }
    setSelected(L"changes.txt", false);
    EXPECT_EQ(View->SelSize(), 40u);
    setSelected(L"stays.txt", false);
    EXPECT_EQ(View->SelSize(), 0u);
    EXPECT_EQ(SelSizes.back(), 0u);
}

TEST_F(ListViewTest, AChangeWhileTheButtonIsHeldOnARowIsDropped)
{
    Folder.AddFile(L"held.txt");
    ListPath(Folder.Path());
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(Window(), 0, &row, LVIR_LABEL));
    POINT onRow{row.left + 4, (row.top + row.bottom) / 2};
    ClientToScreen(Window(), &onRow);
    const int changes = ListChanges;
    int changesWhileHeld = -1;
    bool listedWhileHeld = true;
    // A watcher of the test's own sees the change when the view's does, and
    // reports it after the same quiet time: the button is held a while beyond.
    ULONGLONG reported = 0;
    const size_t opened = TChangeHandle::OpenedCount();
    auto* twin = new TShFilesWatcher(Folder.Path(), TShellFileList::kNameFilter,
                                     [&](TObject*, const std::wstring&) { reported = GetTickCount64(); });
    const bool twinWatches = PumpUntil([&] { return TChangeHandle::OpenedCount() > opened; }, 10000);
    if (!twinWatches) twin->StopWatching();
    ASSERT_TRUE(twinWatches);
    InputScript script({InputScript::MoveTo(onRow), InputScript::Button(onRow, true),
                        InputScript::Until([&] { return View->MouseState() == 1; }),
                        [&] {
                            Folder.AddFile(L"while-held.txt");
                            return true;
                        },
                        // The listing must stay as it was.
                        InputScript::Until([&] { return reported && GetTickCount64() - reported > 1000; }),
                        [&] {
                            changesWhileHeld = ListChanges;
                            listedWhileHeld = Contains(Names(), L"while-held.txt");
                            return true;
                        },
                        InputScript::Button(onRow, false)});
    const bool done = PumpUntil([&] { return script.Done() && View->MouseState() == 0; }, 20000);
    twin->StopWatching();
    ASSERT_TRUE(done);
    EXPECT_EQ(changesWhileHeld, changes);
    EXPECT_FALSE(listedWhileHeld);
    PumpFor(300);
    EXPECT_FALSE(Contains(Names(), L"while-held.txt")) << "the dropped change is not replayed";
}

TEST_F(ListViewTest, ARemovedListedFolderMovesToTheTreesFolderOrEmpties)
{
    TestTreeLink tree;
    tree.Folder = IDListOfPath(Folder.Path());
    Folder.AddFile(L"outer.txt");
    for (bool linked : {true, false}) {
        SCOPED_TRACE(linked);
        View->SetLinkedTree(linked ? &tree : nullptr);
        const std::wstring name = linked ? L"inner-linked" : L"inner-alone";
        const std::wstring inner = Folder.AddFolder(name);
        Folder.AddFile(name + L"\\x.txt");
        ListPath(inner);
        ASSERT_EQ(Names(), std::vector<std::wstring>{L"x.txt"});

        DeleteTree(inner);
        SCOPED_TRACE(testing::Message() << "removed: " << !IsExistingDirectory(inner));
        if (linked) {
            EXPECT_TRUE(PumpUntil([&] { return Contains(Names(), L"outer.txt"); }, kReportLimitMs));
            EXPECT_EQ(View->FileList().FolderPath(), Folder.Path());
        } else {
            EXPECT_TRUE(PumpUntil([&] { return View->FileList().FolderIDList() == nullptr; }, kReportLimitMs));
            EXPECT_EQ(View->ItemCount(), 0);
            EXPECT_EQ(View->FileList().Count(), 0);
        }
    }
    View->SetLinkedTree(nullptr);
}

// A row is being renamed in place when another program changes the folder:
// the rename reaches the row that was being edited, or nothing at all.
TEST_F(ListViewTest, AChangeOfTheFolderDuringAnInPlaceRenameNeverRenamesAnotherRow)
{
    const std::wstring b = Folder.Path() + L"\\b.txt", c = Folder.Path() + L"\\c.txt", d = Folder.Path() + L"\\d.txt";
    const struct {
        const char* name;
        std::function<void()> change;
        std::wstring other;  // a file that must keep its name
        bool renamed;        // whether b.txt becomes c.txt
    } cases[] = {
        {"a row added before it", [&] { Folder.AddFile(L"a.txt"); }, Folder.Path() + L"\\a.txt", true},
        {"the row renamed elsewhere", [&] { MoveFileW(b.c_str(), d.c_str()); }, d, false},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        DeleteTree(Folder.Path());
        CreateDirectoryW(Folder.Path().c_str(), nullptr);
        Folder.AddFile(L"b.txt");
        ListPath(Folder.Path());
        ListView_SetItemState(Window(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(Window(), WM_KEYDOWN, VK_F2, 0);
        HWND editor = ListView_GetEditControl(Window());
        ASSERT_NE(editor, nullptr);

        const int changes = ListChanges;
        step.change();
        ASSERT_TRUE(PumpUntil([&] { return ListChanges != changes; }, kReportLimitMs));
        ASSERT_EQ(ListView_GetEditControl(Window()), editor) << "the refresh ended the edit";
        SetWindowTextW(editor, L"c.txt");
        SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_TRUE(PumpUntil([&] { return !ListView_GetEditControl(Window()); }, 10000));
        EXPECT_TRUE(Exists(step.other)) << "another file was renamed";
        EXPECT_EQ(Exists(c), step.renamed);
        EXPECT_TRUE(PumpUntil([&] { return Contains(Names(), step.renamed ? L"c.txt" : L"d.txt"); }, kReportLimitMs));
    }
}

// A listing that failed, started by the user or by the watcher, leaves the folder watched.
TEST_F(ListViewTest, AFailedListingLeavesTheFolderWatched)
{
    ListPath(Folder.Path());
    ShownErrors shown;
    View->OnShListChange = [](TObject*, TShellFileList*) { throw std::runtime_error("handler"); };
    SendMessageW(Window(), WM_KEYDOWN, VK_F5, 0);  // the user's refresh
    Folder.AddFile(L"first.txt");
    ASSERT_TRUE(PumpUntil([&] { return shown.Texts.size() == 2; }, 15000));
    EXPECT_EQ(View->ItemCount(), 1);
    View->OnShListChange = nullptr;
    Folder.AddFile(L"second.txt");
    EXPECT_TRUE(PumpUntil([&] { return View->ItemCount() == 2; }, 15000));
    EXPECT_EQ(shown.Texts.size(), 2u);
}
