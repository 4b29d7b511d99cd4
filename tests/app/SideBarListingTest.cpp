// The side bar's listing end to end: the main form on the virtual desktop
// lists the prefix's Desktop, fits its columns, goes up and re-lists, starts
// at the Desktop on every show, and gives the keyboard away when it parks.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/ForeignWindow.h"
#include "tests/app/SideBarFixture.h"
#include "tests/common/InputScript.h"

namespace {

std::wstring DesktopDirectory()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

void MakeFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Answers every message box or dialog of this thread with Yes: a key that
// reached the hidden list would then delete for real instead of waiting.
class YesToEveryDialog {
public:
    YesToEveryDialog() : FTimer(SetTimer(nullptr, 0, 100, Answer)) {}
    ~YesToEveryDialog() { KillTimer(nullptr, FTimer); }

private:
    static void CALLBACK Answer(HWND, UINT, UINT_PTR, DWORD)
    {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND wnd, LPARAM) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(wnd, name, 16);
                if (std::wstring(name) == L"#32770" && IsWindowVisible(wnd))
                    PostMessageW(wnd, WM_COMMAND, IDYES, 0);
                return TRUE;
            },
            0);
    }
    UINT_PTR FTimer;
};

// With a folder of its own on the Desktop, made before the form lists the Desktop.
class SideBarListing : public SideBarFixture {
protected:
    void SetUp() override
    {
        FFolder = DesktopDirectory() + L"\\TessalyListing";
        RemoveTree(FFolder);
        ASSERT_TRUE(CreateDirectoryW(FFolder.c_str(), nullptr));
        CreateDirectoryW((FFolder + L"\\inner").c_str(), nullptr);
        MakeFile(FFolder + L"\\keep.txt");
        SideBarFixture::SetUp();
    }
    void TearDown() override
    {
        SideBarFixture::TearDown();
        RemoveTree(FFolder);
    }

    TShellListView& List() const { return *form->ShellListView1; }
    bool AtDesktop() const
    {
        return form->ShellTreeView1->Selected() == form->ShellTreeView1->GetFirstNode() &&
               IDListLevel(List().FolderIDList()) == 0;
    }
    std::wstring ListedPath() const { return List().FileList().FolderPath(); }
    int RowOf(const std::wstring& name) const
    {
        for (int i = 0; i < List().FileList().Count(); ++i)
            if (List().FileList().ItemAt(i)->DisplayName() == name) return i;
        return -1;
    }
    // Opens the row as a double click would.
    void Open(const std::wstring& name)
    {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << "no row " << testing::PrintToString(name);
        List().ExecuteItem(row, 0, {}, 0, 0);
    }
    bool FittedAtDesktop() const
    {
        if (List().Column(0).Width != form->Width() - 26) return false;
        for (int column = 1; column <= 4; ++column)
            if (List().Column(column).Width != 0) return false;
        return true;
    }
    std::wstring FFolder;
};

TEST_F(SideBarListing, AtTheDesktopTheNameColumnFillsTheWindowAndGoUpIsOff)
{
    EXPECT_FALSE(form->ShellTreeView1->Visible());
    EXPECT_TRUE(AtDesktop());
    EXPECT_GE(RowOf(L"TessalyListing"), 0) << "the Desktop's folder is listed";
    EXPECT_TRUE(PumpUntil([&] { return FittedAtDesktop() && !form->Timer3->Enabled(); }, 10000));
    EXPECT_FALSE(form->Button1->Enabled());
    EXPECT_EQ(List().ShellPopupMenu(), form->ShellPopupMenu1);
    EXPECT_EQ(List().ShVirtuaItems(), (TShVirtuaItems{itBitBucket, itVirtual, itNetWork}));
    EXPECT_TRUE(List().IncludeHidden());
}

TEST_F(SideBarListing, GoUpIsOnBelowTheDesktopAndGoingUpFromThereListsTheDesktop)
{
    ASSERT_TRUE(PumpUntil([&] { return FittedAtDesktop() && !form->Timer3->Enabled(); }, 10000));
    Open(L"TessalyListing");
    EXPECT_EQ(ListedPath(), FFolder);
    EXPECT_TRUE(PumpUntil([&] { return form->Button1->Enabled(); }, 10000));
    EXPECT_EQ(List().Column(0).Width, form->Width() - 26);
    for (int column = 1; column <= 4; ++column) EXPECT_EQ(List().Column(column).Width, 0) << "column " << column;

    form->Button1->Click();
    EXPECT_TRUE(AtDesktop());
    EXPECT_TRUE(PumpUntil([&] { return !form->Button1->Enabled(); }, 10000));
    form->Button1->Click();  // at the Desktop: nothing
    EXPECT_TRUE(AtDesktop());
}

TEST_F(SideBarListing, RefreshListsTheSameFolderAgain)
{
    Open(L"TessalyListing");
    Open(L"inner");
    ASSERT_EQ(ListedPath(), FFolder + L"\\inner");
    MakeFile(FFolder + L"\\inner\\new.txt");
    form->Button2->Click();
    EXPECT_EQ(ListedPath(), FFolder + L"\\inner");
    EXPECT_GE(RowOf(L"new.txt"), 0);
    EXPECT_EQ(TShellTreeView::ItemOf(form->ShellTreeView1->Selected())->Path(), FFolder + L"\\inner");
}

TEST_F(SideBarListing, EveryShowStartsAtTheDesktop)
{
    ShowAtLeftEdge();
    Open(L"TessalyListing");
    ASSERT_FALSE(AtDesktop());
    ParkByLeaving();
    ShowAtLeftEdge();
    EXPECT_TRUE(AtDesktop());
    EXPECT_GE(RowOf(L"TessalyListing"), 0);
}

// A parked window that kept the foreground would take the user's keys: Delete
// typed for the other program would delete the hidden list's selection. While
// the mouse is held (a drag out of the list) it waits: under Wine the other
// window would take the button's release with the foreground.
TEST_F(SideBarListing, AParkedWindowGivesTheForegroundBackAndDeleteDeletesNothing)
{
    ForeignWindow other;
    ASSERT_NE(other.Handle(), nullptr) << "the other program's window did not appear";
    ASSERT_TRUE(other.TakeForeground());
    ShowAtLeftEdge();
    ASSERT_EQ(GetForegroundWindow(), form->Handle());
    Open(L"TessalyListing");
    const int row = RowOf(L"keep.txt");
    ASSERT_GE(row, 0);
    List().SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, true);
    SetFocus(List().Handle());

    SetCapture(List().Handle());
    ParkByLeaving();
    PumpFor(1200);
    EXPECT_EQ(GetForegroundWindow(), form->Handle()) << "given away while the mouse was held";
    ReleaseCapture();
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Handle(); }, 10000));
    EXPECT_NE(GetFocus(), List().Handle());

    YesToEveryDialog yes;
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_DELETE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    PumpFor(1500);
    EXPECT_NE(GetFileAttributesW((FFolder + L"\\keep.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the key reached the parked list";
}

// A row dragged out of the side bar reaches another program's window, which
// takes the file from the drag's own data; the bar parks on the way, as the
// poll is quicker than the hand, and keeps the mouse until the release.
TEST_F(SideBarListing, ARowDraggedOutOfTheSideBarIsDroppedOnAnotherProgramsWindow)
{
    ForeignWindow other;
    ASSERT_NE(other.Handle(), nullptr) << "the other program's window did not appear";
    ShowAtLeftEdge();
    Open(L"TessalyListing");
    const int row = RowOf(L"keep.txt");
    ASSERT_GE(row, 0);
    RECT label{};
    label.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(List().Handle(), LVM_GETITEMRECT, WPARAM(row), LPARAM(&label)));
    POINT start{label.left + 4, (label.top + label.bottom) / 2};
    ClientToScreen(List().Handle(), &start);
    RECT window{};
    GetWindowRect(other.Handle(), &window);
    const POINT into{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
    InputScript script({InputScript::MoveTo(start), InputScript::Button(start, true),
                        InputScript::Until([&] { return List().MouseState() == 1; }),
                        InputScript::MoveTo(POINT{start.x + 10, start.y}),
                        InputScript::Until([&] { return List().MouseState() == 3; }), InputScript::MoveTo(into),
                        InputScript::MoveTo(POINT{into.x + 2, into.y}), InputScript::MoveTo(POINT{into.x + 4, into.y}),
                        InputScript::Until([&] { return form->Left() < 0; }),
                        InputScript::Button(POINT{into.x + 4, into.y}, false)});
    ASSERT_TRUE(PumpUntil([&] { return script.Done() && List().MouseState() == 0; }, 15000));
    wchar_t title[MAX_PATH * 2] = {};
    EXPECT_TRUE(PumpUntil([&] { return GetWindowTextW(other.Handle(), title, MAX_PATH * 2) > 0 &&
                                       std::wstring(title) == FFolder + L"\\keep.txt|"; }, 5000))
        << "the other program's window holds " << testing::PrintToString(std::wstring(title));
}

// What the user sees: the shown window draws an icon at the start of each of the first rows.
TEST_F(SideBarListing, TheShownWindowDrawsTheDesktopsRowsWithTheirIcons)
{
    ShowAtLeftEdge();
    ASSERT_TRUE(PumpUntil([&] { return FittedAtDesktop(); }, 10000));
    RedrawWindow(List().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const COLORREF background = List().Color();
    const int rows = std::min(3, List().ItemCount());
    ASSERT_GT(rows, 0);
    // The pixels of each row's icon that differ from the background, as the
    // screen shows them: under Wine the drawing reaches the screen a moment later.
    std::vector<int> drawn(size_t(rows), 0);
    auto iconsShown = [&] {
        HDC screen = GetDC(nullptr);
        for (int row = 0; row < rows; ++row) {
            RECT icon{};
            icon.left = LVIR_ICON;
            SendMessageW(List().Handle(), LVM_GETITEMRECT, WPARAM(row), LPARAM(&icon));
            MapWindowPoints(List().Handle(), nullptr, reinterpret_cast<POINT*>(&icon), 2);
            drawn[size_t(row)] = 0;
            for (int y = icon.top; y < icon.bottom; ++y)
                for (int x = icon.left; x < icon.right; ++x)
                    if (GetPixel(screen, x, y) != background) ++drawn[size_t(row)];
        }
        ReleaseDC(nullptr, screen);
        return std::all_of(drawn.begin(), drawn.end(), [](int pixels) { return pixels >= 20; });
    };
    EXPECT_TRUE(PumpUntil(iconsShown, 10000)) << "icon pixels per row: " << testing::PrintToString(drawn);
    // The same count beside the rows, past the last one, is nearly nothing: the check can fail.
    RECT last{};
    last.left = LVIR_ICON;
    SendMessageW(List().Handle(), LVM_GETITEMRECT, WPARAM(List().ItemCount() - 1), LPARAM(&last));
    RECT client{};
    GetClientRect(List().Handle(), &client);
    if (last.bottom + 20 < client.bottom) {
        POINT p{last.left + 8, last.bottom + 10};
        ClientToScreen(List().Handle(), &p);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetPixel(screen, p.x, p.y), background);
        ReleaseDC(nullptr, screen);
    }
}

}  // namespace
