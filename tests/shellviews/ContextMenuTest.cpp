// The shell menu from the list view: only for a right press on a row or the
// menu key, the view's follow-up of delete and rename, and the rows the
// owner hears of after an own command.
#include <functional>

#include "shellmenus/ShellPopupMenu.h"
#include "tests/shellmenus/MenuFixture.h"
#include "tests/shellviews/ListViewFixture.h"

namespace {
bool RightClickAt(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    if (!MoveCursorTo(client.x, client.y)) return false;
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

class ListMenuTest : public ListViewTest {
protected:
    void SetUp() override
    {
        ListViewTest::SetUp();
        Menu = Form->Create<TShellPopupMenu>();
        View->SetShellPopupMenu(Menu);
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) Folder.AddFile(name);
        ListPath(Folder.Path());
        View->SetLinkedTree(&Tree);
    }
    void TearDown() override
    {
        TrackPopupMenuFunc = DefaultTrackPopupMenu;
        View->SetLinkedTree(nullptr);
        ListViewTest::TearDown();
    }
    // The menu is answered with the entry of `verb` (none: dismissed).
    void ChooseVerb(const std::wstring& verb)
    {
        TrackPopupMenuFunc = [this, verb](HMENU menu, UINT, int, int, HWND) {
            ++Tracked;
            return verb.empty() ? 0u : Menu->VerbCommand(menu, verb);
        };
    }
    void Select(std::initializer_list<const wchar_t*> names)
    {
        ListView_SetItemState(Window(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (const wchar_t* name : names)
            ListView_SetItemState(Window(), IndexOfName(name), LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
    }
    POINT RowPoint(const wchar_t* name)
    {
        RECT label{};
        ListView_GetItemRect(Window(), IndexOfName(name), &label, LVIR_LABEL);
        return POINT{label.left + 4, (label.top + label.bottom) / 2};
    }

    TShellPopupMenu* Menu = nullptr;
    TestTreeLink Tree;
    int Tracked = 0;
};
}  // namespace

TEST_F(ListMenuTest, OnlyARightPressOnARowOrTheMenuKeyShowsTheShellMenu)
{
    ChooseVerb(L"");
    RECT client{};
    GetClientRect(Window(), &client);
    ASSERT_TRUE(RightClickAt(Window(), POINT{client.right - 10, client.bottom - 10}));
    PumpFor(300);
    EXPECT_EQ(Tracked, 0) << "empty space has no shell menu";

    Select({L"b.txt"});
    ASSERT_TRUE(RightClickAt(Window(), RowPoint(L"b.txt")));
    EXPECT_TRUE(PumpUntil([&] { return Tracked == 1; }, 10000));
    EXPECT_EQ(View->MouseState(), 0);

    SendMessageW(Window(), WM_CONTEXTMENU, WPARAM(Window()), LPARAM(-1));
    EXPECT_EQ(Tracked, 2) << "the menu key means the selection";
}

TEST_F(ListMenuTest, DeleteDropsTheRowsWithoutListingAgainAndCancelKeepsThem)
{
    Select({L"a.txt", L"b.txt"});
    ChooseVerb(L"delete");
    {
        DialogAnswer no(IDNO);
        ASSERT_TRUE(RightClickAt(Window(), RowPoint(L"a.txt")));
        ASSERT_TRUE(PumpUntil([&] { return no.Answered() && Tracked == 1; }, 5000));
    }
    PumpFor(200);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt"})) << "a cancelled delete";

    TShellFileItem* c = View->FileList().ItemAt(IndexOfName(L"c.txt"));
    const int changes = ListChanges;
    DialogAnswer yes(IDYES);
    ASSERT_TRUE(RightClickAt(Window(), RowPoint(L"a.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Names() == std::vector<std::wstring>{L"c.txt"}; }, 5000));
    EXPECT_FALSE(FileExists(Folder.Path() + L"\\a.txt"));
    EXPECT_EQ(View->FileList().ItemAt(0), c) << "the rows left are the same items: no new listing";
    EXPECT_EQ(ListChanges, changes + 1);
    EXPECT_EQ(Tree.TreeRefreshes, 1);
}

TEST_F(ListMenuTest, TheDeleteKeyDeletesTheSelection)
{
    Select({L"c.txt"});
    DialogAnswer yes(IDYES);
    SendMessageW(Window(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_TRUE(yes.Answered());
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
    EXPECT_FALSE(FileExists(Folder.Path() + L"\\c.txt"));
}

TEST_F(ListMenuTest, RenameFromTheMenuEditsTheFirstSelectedRow)
{
    Menu->SetReadOnly(false);
    Menu->SetContextType(shctNormal);  // Wine offers rename only there
    Select({L"b.txt", L"c.txt"});
    ChooseVerb(L"rename");
    ASSERT_TRUE(RightClickAt(Window(), RowPoint(L"b.txt")));
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetEditControl(Window()) != nullptr; }, 10000));
    wchar_t text[64] = {};
    GetWindowTextW(ListView_GetEditControl(Window()), text, 64);
    EXPECT_STREQ(text, L"b.txt");
    SendMessageW(ListView_GetEditControl(Window()), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(FileExists(Folder.Path() + L"\\b.txt")) << "the menu itself renames nothing";
}

// Another program deletes the file while its menu is open; the command then
// finds nothing to act on, and the row goes with the listing.
TEST_F(ListMenuTest, AFileDeletedWhileItsMenuIsOpenLeavesACurrentListing)
{
    Select({L"b.txt"});
    TrackPopupMenuFunc = [this](HMENU menu, UINT, int, int, HWND) {
        ++Tracked;
        DeleteFileW((Folder.Path() + L"\\b.txt").c_str());
        return Menu->VerbCommand(menu, L"copy");
    };
    ASSERT_TRUE(RightClickAt(Window(), RowPoint(L"b.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Tracked == 1; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return Names() == std::vector<std::wstring>{L"a.txt", L"c.txt"}; }, 15000));
    EXPECT_TRUE(FileExists(Folder.Path() + L"\\a.txt") && FileExists(Folder.Path() + L"\\c.txt"));
    EXPECT_EQ(View->MouseState(), 0);
}

// An own item's command may list the view again, or list another folder,
// before the menu is done: the owner still reads the rows the menu was shown
// for, not the freed memory of the rows the view had then.
TEST_F(ListMenuTest, AfterPopupReadsTheMenusRowsAfterAnOwnCommandListedTheViewAgain)
{
    TempFolder other;
    for (const wchar_t* name : {L"x.txt", L"y.txt", L"z.txt"}) other.AddFile(name);
    struct Case {
        const char* name;
        std::function<void()> command;
    } cases[] = {
        {"refresh", [this] { View->RefreshList(); }},
        {"navigate", [&] { ListPath(other.Path()); }},
    };
    TMenuItem* own = Menu->Items()->Add(L"own");
    TrackPopupMenuFunc = [&](HMENU, UINT, int, int, HWND) {
        ++Tracked;
        return own->Command();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListPath(Folder.Path());
        Select({L"a.txt", L"c.txt"});
        std::vector<std::wstring> before, after;
        Menu->OnShBeforPopup = [&](TObject*, const TShellIDList& list, POINT, bool&) {
            for (int i = 0; i < list.Count(); ++i) before.push_back(list.ItemPath(i));
        };
        own->OnClick = [&](TObject*) { c.command(); };
        Menu->OnShAfterPopup = [&](TObject*, TMenuItem* item, const TShellIDList& list) {
            EXPECT_EQ(item, own);
            for (int i = 0; i < list.Count(); ++i) after.push_back(list.ItemPath(i));
        };
        SendMessageW(Window(), WM_CONTEXTMENU, WPARAM(Window()), LPARAM(-1));
        ASSERT_EQ(before.size(), 2u);
        EXPECT_EQ(after, before);
    }
    EXPECT_EQ(Tracked, 2);
}
