// The side bar's tray icon and its menu: the icon in Wine's notification
// area, the menu's entries, and each command carried out through the real
// modal viewer and dialog.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/SideBarPlacement.h"
#include "app/Tessal_u.h"
#include "app/disptext_u.h"
#include "app/verform_u.h"
#include "tests/common/ModalDriver.h"
#include "tests/app/TempDocuments.h"
#include "tests/common/Pump.h"
#include "trayicon/CallbackWindow.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Text.h"

namespace {

struct Entry {
    std::wstring Text;  // "-" for a separator
    HMENU SubMenu;
};

std::vector<Entry> EntriesOf(HMENU menu)
{
    std::vector<Entry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 127;
        GetMenuItemInfoW(menu, UINT(i), TRUE, &info);
        entries.push_back({(info.fType & MFT_SEPARATOR) ? L"-" : text, info.hSubMenu});
    }
    return entries;
}

// The program's own folder, where the build puts the documents beside the tests.
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

}  // namespace

class TrayMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MoveCursorTo(640, 400));
        DispSide = dsNone;
        form = Application->CreateForm<TTessal_f>();
        Application->ShowMainForm();
    }

    void TearDown() override
    {
        TrackPopupMenuFunc = DefaultTrackPopupMenu;
        Application->OnException = nullptr;
        Application->RemoveComponent(form).reset();
        Application->ProcessMessages();
    }

    // The shell's report of a mouse message on the tray icon.
    void Notify(UINT mouseMessage)
    {
        SendMessageW(CallbackWindow()->Handle(), WM_TRAYNOTIFY, form->TrayIcon1->IconID(), mouseMessage);
    }
    // Presses the icon and chooses the item from the menu that comes up.
    void Choose(TMenuItem* item)
    {
        TrackPopupMenuFunc = [item](HMENU, UINT, int, int, HWND) { return item->Command(); };
        Notify(WM_RBUTTONDOWN);
    }
    bool Parked() const { return form->Left() == -(form->Width() + 1); }

    TTessal_f* form = nullptr;
};

TEST_F(TrayMenuTest, TheIconIsInTheNotificationAreaWithTheSmallIconAndTip)
{
    TTrayIcon* icon = form->TrayIcon1;
    EXPECT_TRUE(icon->Visible());
    EXPECT_TRUE(icon->Registered());
    EXPECT_EQ(icon->TipHelp(), L"Tessaly");
    EXPECT_EQ(icon->LBPopupMenu(), form->PopupMenu2);
    EXPECT_EQ(icon->RBPopupMenu(), form->PopupMenu2);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon->Icon().Handle(), &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 16) << "the tray shows the small icon";
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = CallbackWindow()->Handle();
    probe.uID = icon->IconID();
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the notification area does not know the icon";
}

TEST_F(TrayMenuTest, EitherButtonPopsUpTheMenuWithItsEntries)
{
    std::vector<std::vector<Entry>> seen;
    std::vector<Entry> help;
    TrackPopupMenuFunc = [&](HMENU menu, UINT, int, int, HWND) {
        seen.push_back(EntriesOf(menu));
        if (seen.back().size() > 2) help = EntriesOf(seen.back()[2].SubMenu);
        return 0u;
    };
    Notify(WM_LBUTTONDOWN);
    Notify(WM_RBUTTONDOWN);
    ASSERT_EQ(seen.size(), 2u);
    const std::vector<std::wstring> expected = {L"Tessaly の表示", L"-", L"ヘルプ", L"ﾊﾞｰｼﾞｮﾝ情報の表示 ...", L"-",
                                                L"Tessaly の終了"};
    for (const std::vector<Entry>& entries : seen) {
        ASSERT_EQ(entries.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(entries[i].Text, expected[i]) << WideToUtf8(expected[i]);
    }
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].Text, L"取説ﾄﾞｷｭﾒﾝﾄの表示 ...");
    EXPECT_EQ(help[1].Text, L"開発ﾋｽﾄﾘｰの表示 ...");
}

TEST_F(TrayMenuTest, ShowAndADoubleClickBringTheWindowIn)
{
    DispSide = dsLeft;  // after a first entry at the edge
    Choose(form->WinDisp);
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(GetForegroundWindow(), form->Handle());

    ASSERT_TRUE(MoveCursorTo(form->Width() + 100, 300));
    ASSERT_TRUE(PumpUntil([&] { return Parked(); }, 1500));
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
}

// The real menu stays up while the side bar's polls run, and takes the
// user's keys. A poll that handed the foreground to the taskbar under the
// pointer would close it on Windows; under Wine the menu then never ends.
TEST_F(TrayMenuTest, TheRealMenuStaysUpAcrossPollsAndTakesKeys)
{
    DispSide = dsLeft;
    // Where the tray is: the pointer rests on the taskbar, under the menu.
    RECT taskbar{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", L""), &taskbar);
    ASSERT_TRUE(MoveCursorTo(taskbar.right - 20, (taskbar.top + taskbar.bottom) / 2));
    ULONGLONG shownAt = 0;
    bool stayed = false;
    ModalStep step([&] {
        HWND menu = ThreadWindow(L"#32768");
        if (!menu) return false;
        if (!shownAt) shownAt = GetTickCount64();
        // Three polls of the side bar at 500 ms.
        if (GetTickCount64() - shownAt < 1600) return false;
        stayed = true;
        PressKeys({VK_DOWN, VK_RETURN});
        return true;
    });
    Notify(WM_LBUTTONDOWN);
    EXPECT_TRUE(step.Done());
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(PumpUntil([&] { return form->Left() == 0; }, 2000)) << "the first entry did not show the window";
}

struct DocumentCommand {
    TMenuItem* TTessal_f::*Item;
    const wchar_t* Title;
    const wchar_t* File;
};

const DocumentCommand kDocumentCommands[] = {
    {&TTessal_f::readme1, L"Tessaly 取説ドキュメントの表示", L"Tessal.txt"},
    {&TTessal_f::History, L"Tessaly 開発ヒストリーの表示", L"Tessal.his"},
};

TEST_F(TrayMenuTest, TheDocumentCommandsShowTheirDocumentInTheModalViewer)
{
    TempDocuments docs;
    docs.Write(L"Tessal.txt", "manual\r\n\x8E\xE6\x90\xE0\r\n");
    docs.Write(L"Tessal.his", "history\r\n");
    form->DocumentDir = docs.Folder();
    const std::vector<std::wstring> lines[] = {{L"manual", L"取説"}, {L"history"}};
    for (size_t i = 0; i < std::size(kDocumentCommands); ++i) {
        const DocumentCommand& command = kDocumentCommands[i];
        SCOPED_TRACE(WideToUtf8(command.File));
        std::wstring title;
        std::vector<std::wstring> shown;
        bool othersDisabled = false;
        ModalStep step([&] {
            if (!disptext || !disptext->Visible()) return false;
            title = disptext->Label1->Caption();
            shown = disptext->ListBox1->Items();
            othersDisabled = !IsWindowEnabled(form->Handle());
            // The close box.
            PostMessageW(disptext->Handle(), WM_CLOSE, 0, 0);
            return true;
        });
        Choose(form->*command.Item);
        EXPECT_TRUE(step.Done());
        EXPECT_EQ(title, command.Title);
        EXPECT_EQ(shown, lines[i]);
        EXPECT_TRUE(othersDisabled) << "the viewer is not modal";
        EXPECT_EQ(disptext, nullptr);
        EXPECT_EQ(ThreadWindow(L"TessalyWindow", L"テキスト表示 ( Tessaly )"), nullptr) << "a viewer was left";
        EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    }
}

TEST_F(TrayMenuTest, AMissingDocumentIsNamedInTheViewer)
{
    EXPECT_EQ(form->DocumentDir, ProgramFolder());
    TempDocuments empty;
    form->DocumentDir = empty.Folder();
    std::vector<std::wstring> shown;
    ModalStep step([&] {
        if (!disptext || !disptext->Visible()) return false;
        shown = disptext->ListBox1->Items();
        disptext->Button1->Click();
        return true;
    });
    Choose(form->readme1);
    EXPECT_TRUE(step.Done());
    EXPECT_EQ(shown, std::vector<std::wstring>{empty.Folder() + L"Tessal.txt が見つかりませんでした。"});
    EXPECT_EQ(disptext, nullptr);
}

TEST_F(TrayMenuTest, AnUnreadableDocumentIsReportedAndLeavesNoViewer)
{
    TempDocuments docs;
    docs.Write(L"Tessal.txt", "locked");
    form->DocumentDir = docs.Folder();
    HANDLE lock = CreateFileW(docs.Path(L"Tessal.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::wstring reported;
    Application->OnException = [&](TObject*, const std::exception& error) {
        if (auto* own = dynamic_cast<const Exception*>(&error)) reported = own->Message();
    };
    Choose(form->readme1);
    CloseHandle(lock);
    EXPECT_NE(reported.find(docs.Path(L"Tessal.txt") + L" を読み込めませんでした。"), std::wstring::npos)
        << WideToUtf8(reported);
    EXPECT_EQ(disptext, nullptr);
    EXPECT_EQ(ThreadWindow(L"TessalyWindow", L"テキスト表示 ( Tessaly )"), nullptr);
    Application->ProcessMessages();
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
}

TEST_F(TrayMenuTest, TheVersionCommandShowsTheModalDialog)
{
    bool placed = false;
    std::wstring version;
    ModalStep step([&] {
        if (!verform || !verform->Visible()) return false;
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        POINT p{};
        GetCursorPos(&p);
        placed = verform->Left() == (sw - verform->Width()) / 2 && verform->Top() == (sh - verform->Height()) / 2 &&
                 p.x == verform->Left() + 16 + 37 / 2 && p.y == verform->Top() + 124 + 29 / 2 + 20;
        if (!placed) return false;  // the pointer's move may be reported a little later
        version = verform->Label2->Caption();
        verform->Button1->Click();
        return true;
    });
    Choose(form->VersionInfo);
    EXPECT_TRUE(step.Done());
    EXPECT_TRUE(placed) << "not centred with the pointer on OK";
    EXPECT_EQ(version, L"Ver 0.1β");
    EXPECT_EQ(verform, nullptr);
}
