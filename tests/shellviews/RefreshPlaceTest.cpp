// A re-listing of the same folder keeps the user's place among its items; the
// view's own changes are not listed again; a report that a nested message loop
// delivers during a listing waits until the listing is done.
#include <algorithm>
#include <functional>
#include <optional>
#include <set>

#include "shellmenus/ShellPopupMenu.h"
#include "tests/shell/WatcherTestSupport.h"
#include "tests/shellmenus/MenuFixture.h"
#include "tests/shellviews/ListViewFixture.h"

namespace {
constexpr DWORD kSettleMs = 200;
// Many settle times: a report the resume asked for would have come by then,
// however slow the machine.
constexpr DWORD kNoReportMs = 15 * kSettleMs;
constexpr int kFiles = 60;

std::wstring FileName(int i)
{
    wchar_t name[16];
    swprintf(name, 16, L"f%02d.txt", i);
    return name;
}

struct TPlace {
    std::set<std::wstring> Selected;
    std::wstring Focused;
    std::wstring Top;
    bool operator==(const TPlace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TPlace& place)
{
    out << "selected {";
    for (const std::wstring& name : place.Selected) out << testing::PrintToString(name) << " ";
    return out << "} focused " << testing::PrintToString(place.Focused) << " top "
               << testing::PrintToString(place.Top);
}

class RefreshPlaceTest : public ListViewTest {
protected:
    void SetUp() override
    {
        TShellFileList::WatchSettleMs = kSettleMs;
        ListViewTest::SetUp();
        Menu = Form->Create<TShellPopupMenu>();
        View->SetShellPopupMenu(Menu);
    }
    void TearDown() override
    {
        ListViewTest::TearDown();
        TShellFileList::WatchSettleMs = TShFilesWatcher::DefaultSettleMs;
    }

    // A new folder of kFiles files for each case, so that listing it navigates.
    std::wstring FilledFolder()
    {
        const std::wstring folder = Folder.AddFolder(L"case" + std::to_wstring(++FFolders));
        for (int i = 0; i < kFiles; ++i) CreateFileWithSize(folder + L"\\" + FileName(i), 10);
        return folder;
    }
    std::wstring NameAt(int row) const
    {
        TShellFileItem* item = View->FileList().ItemAt(row);
        return item ? item->DisplayName() : L"";
    }
    TPlace Seen() const
    {
        TPlace place;
        for (int i = View->NextItem(-1, LVNI_SELECTED); i >= 0; i = View->NextItem(i, LVNI_SELECTED))
            place.Selected.insert(NameAt(i));
        place.Focused = NameAt(View->NextItem(-1, LVNI_FOCUSED));
        place.Top = NameAt(View->TopIndex());
        return place;
    }
    // Selects f25 and f30, focuses f30 and scrolls f20 to the top.
    void TakeAPlace()
    {
        View->SetItemState(-1, LVIS_SELECTED, false);
        for (const wchar_t* name : {L"f25.txt", L"f30.txt"}) View->SetItemState(IndexOfName(name), LVIS_SELECTED, true);
        View->SetItemState(IndexOfName(L"f30.txt"), LVIS_FOCUSED, true);
        View->ScrollToTop(IndexOfName(L"f20.txt"));
        ASSERT_EQ(Seen(), (TPlace{{L"f25.txt", L"f30.txt"}, L"f30.txt", L"f20.txt"}));
    }
    // The user's own in-place rename of the focused row.
    void RenameFocusedTo(const std::wstring& name)
    {
        SendMessageW(Window(), WM_KEYDOWN, VK_F2, 0);
        HWND editor = ListView_GetEditControl(Window());
        ASSERT_NE(editor, nullptr);
        SetWindowTextW(editor, name.c_str());
        SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(PumpUntil([&] { return !ListView_GetEditControl(Window()); }, 5000));
    }

    TShellPopupMenu* Menu = nullptr;

private:
    int FFolders = 0;
};
}  // namespace

// Each case changes the folder after the user took a place; the refresh then
// shows the place as it was just before it, unless the case says otherwise.
TEST_F(RefreshPlaceTest, ARefreshKeepsTheSelectionTheFocusAndTheFirstRowOfTheSameItems)
{
    std::wstring dir;
    const struct {
        const char* name;
        std::function<void()> change;
        std::optional<TPlace> expected;
    } cases[] = {
        {"nothing changed", [] {}, {}},
        {"a file added above", [&] { CreateFileWithSize(dir + L"\\a.txt", 1); }, {}},
        {"a file taken above", [&] { DeleteFileW((dir + L"\\f00.txt").c_str()); }, {}},
        {"the first row shown went", [&] { DeleteFileW((dir + L"\\f20.txt").c_str()); },
         TPlace{{L"f25.txt", L"f30.txt"}, L"f30.txt", L"f21.txt"}},
        {"the focused file grew", [&] { CreateFileWithSize(dir + L"\\f30.txt", 5000); }, {}},
        // Wine's in-place edit leaves only the edited row selected.
        {"the focused row renamed by the user", [&] { RenameFocusedTo(L"a-renamed.txt"); }, {}},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        dir = FilledFolder();
        ListPath(dir);
        ASSERT_NO_FATAL_FAILURE(TakeAPlace());
        step.change();
        const TPlace before = Seen();
        const size_t selChanges = SelSizes.size();
        const int listChanges = ListChanges;
        View->RefreshList();
        EXPECT_EQ(Seen(), step.expected.value_or(before));
        EXPECT_EQ(ListChanges, listChanges + 1);
        if (std::string(step.name) == "nothing changed")
            EXPECT_EQ(SelSizes.size(), selChanges) << "the same rows: no selection changed";
    }
}

TEST_F(RefreshPlaceTest, AnotherFolderStartsAtTheTopWithNothingSelected)
{
    const std::wstring first = FilledFolder();
    const std::wstring other = FilledFolder();  // the same names, so that a match by name would find them
    ListPath(first);
    ASSERT_NO_FATAL_FAILURE(TakeAPlace());
    ListPath(other);
    EXPECT_EQ(Seen(), (TPlace{{}, L"f00.txt", L"f00.txt"}));
}

TEST_F(RefreshPlaceTest, TheViewsOwnChangesAreNotListedAgain)
{
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"rename in place", [&] { RenameFocusedTo(L"renamed.txt"); }},
        {"the Delete key", [&] {
             DialogAnswer yes(IDYES);
             SendMessageW(Window(), WM_KEYDOWN, VK_DELETE, 0);
             EXPECT_TRUE(yes.Answered());
         }},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        const std::wstring dir = FilledFolder();
        ListPath(dir);
        ASSERT_NO_FATAL_FAILURE(TakeAPlace());
        step.change();
        const int changes = ListChanges;
        EXPECT_FALSE(PumpUntil([&] { return ListChanges != changes; }, kNoReportMs));
        // Another program's change is still seen.
        CreateFileWithSize(dir + L"\\later.txt", 1);
        EXPECT_TRUE(PumpUntil([&] { return IndexOfName(L"later.txt") >= 0; }, 15000));
    }
}

// The listing's filter runs a nested message loop just when the name watcher's
// report waits for the main thread.
TEST_F(RefreshPlaceTest, AReportHandedOverDuringAListingWaitsUntilItIsDone)
{
    const std::wstring dir = FilledFolder();
    ListPath(dir);
    const std::wstring made = Folder.AddFile(L"moved-in.txt", 1);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    // Moved in, it is a change of names alone: the contents watcher stays quiet.
    ASSERT_TRUE(MoveFileW(made.c_str(), (dir + L"\\moved-in.txt").c_str()));
    ASSERT_TRUE(WaitForPostedMessage(15000));

    bool pumped = false;
    int changesInside = -1;
    View->OnShFilter = [&](TObject*, TShellFileItem*, bool&) {
        if (std::exchange(pumped, true)) return;
        const int before = ListChanges;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        changesInside = ListChanges - before;
    };
    View->RefreshList();
    View->OnShFilter = nullptr;
    EXPECT_EQ(changesInside, 0) << "no listing inside the listing";
    std::vector<std::wstring> names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "a row listed twice";
    EXPECT_EQ(View->ItemCount(), kFiles + 1);
    // The deferred report still comes, and finds the rows as they are.
    const int changes = ListChanges;
    EXPECT_TRUE(PumpUntil([&] { return ListChanges != changes; }, 15000));
    EXPECT_EQ(View->ItemCount(), kFiles + 1);
}
