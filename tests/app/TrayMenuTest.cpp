// The side bar's tray icon and its menu: the icon in Wine's notification
// area, the menu's entries, and each command carried out through the real
// modal viewer and dialog.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/SideBarPlacement.h"
#include "app/Tessal_u.h"
#include "app/TextDocument.h"
#include "app/disptext_u.h"
#include "app/verform_u.h"
#include "tests/app/TempDocuments.h"
#include "tests/common/ModalDriver.h"
#include "tests/common/Platform.h"
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

// Another thread's message to a window, answered unless the program hangs.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window)
        : FThread([this, window] {
              DWORD_PTR result = 0;
              FAnswered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
              FDone = true;
          })
    {
    }
    ~AnswerProbe() { FThread.join(); }
    bool Done() const { return FDone; }
    bool Answered() const { return FAnswered; }

private:
    std::atomic<bool> FDone{false}, FAnswered{false};
    std::thread FThread;  // last: it starts once the flags are there
};

// What a document command showed: the viewer's lines, or the error reported instead.
struct Outcome {
    bool Viewer = false;
    std::vector<std::wstring> Lines;
    std::wstring Error;
};

// Takes every right to read the file away: an empty access list, which
// Wine turns into the Unix mode 000. False when the file stays readable.
bool TakeReadingAway(const std::wstring& path, bool take = true)
{
    SECURITY_DESCRIPTOR sd{};
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ACL empty{};
    InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    // Giving it back: no access list at all lets everyone in.
    SetSecurityDescriptorDacl(&sd, TRUE, take ? &empty : nullptr, FALSE);
    if (!SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, &sd)) return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
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

    // Runs the manual's command over the documents of the folder. While the
    // viewer is up it must answer another thread's message; then inViewer
    // acts in it, and its OK button closes it.
    Outcome ShowManual(const std::wstring& folder, const std::function<void()>& inViewer = {})
    {
        form->DocumentDir = folder;
        Outcome outcome;
        Application->OnException = [&](TObject*, const std::exception& error) {
            if (auto* own = dynamic_cast<const Exception*>(&error)) outcome.Error = own->Message();
        };
        std::unique_ptr<AnswerProbe> probe;
        ModalStep step([&] {
            if (!disptext || !disptext->Visible()) return false;
            if (!probe) probe = std::make_unique<AnswerProbe>(disptext->Handle());
            if (!probe->Done()) return false;
            EXPECT_TRUE(probe->Answered()) << "the viewer did not answer";
            outcome.Viewer = true;
            outcome.Lines = disptext->ListBox1->Items();
            if (inViewer) inViewer();
            disptext->Button1->Click();
            return true;
        });
        Choose(form->readme1);
        EXPECT_EQ(step.Done(), outcome.Error.empty());
        EXPECT_EQ(disptext, nullptr);
        EXPECT_EQ(ThreadWindow(L"TessalyWindow", L"テキスト表示 ( Tessaly )"), nullptr) << "a viewer was left";
        Application->ProcessMessages();
        EXPECT_TRUE(IsWindowEnabled(form->Handle()));
        Application->OnException = nullptr;
        return outcome;
    }
    static void Search(const std::wstring& text)
    {
        disptext->Edit1->SetText(text);
        disptext->Button2->Click();
    }

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
    EXPECT_TRUE(TrayKnowsIcon(CallbackWindow()->Handle(), icon->IconID()));
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
    // The left one once the double-click time has passed.
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }, 5000));
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
    ASSERT_TRUE(PumpUntil([&] { return Parked(); }, 10000));
    int menus = 0;
    TrackPopupMenuFunc = [&](HMENU, UINT, int, int, HWND) { return ++menus, 0u; };
    for (UINT report : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Notify(report);
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    EXPECT_EQ(menus, 0);
    EXPECT_FALSE(form->TrayIcon1->MenuPending()) << "the first press's menu would come up over the window";
}

// The version dialog reads "Ver " and the version even when the tray refused the icon at start.
TEST(StartUpTest, ARefusedTrayIconLeavesTheRestOfTheStartDone)
{
    const TShellNotifyIconFunc working = ShellNotifyIconFunc;
    ShellNotifyIconFunc = [](DWORD, NOTIFYICONDATAW*) { return FALSE; };
    std::wstring shown;
    Application->OnException = [&](TObject*, const std::exception& error) {
        if (auto* own = dynamic_cast<const Exception*>(&error)) shown = own->Message();
    };
    VersionStr.clear();
    TTessal_f* form = Application->CreateForm<TTessal_f>();
    ShellNotifyIconFunc = working;
    Application->OnException = nullptr;
    EXPECT_EQ(shown, L"タスクトレイにアイコンを登録できません。");
    EXPECT_EQ(VersionStr, L"0.1β");
    EXPECT_FALSE(form->Image1->Icon.Empty());
    Application->RemoveComponent(form).reset();
    Application->ProcessMessages();
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
    EXPECT_EQ(form->DocumentDir, ProgramFolder());
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

// What cannot be read as Shift-JIS shows as a replacement character; what is
// no file is named in the viewer as missing.
TEST_F(TrayMenuTest, BadDocumentsOpenWithWhatCanBeRead)
{
    struct Case {
        const char* Name;
        std::function<void(const TempDocuments&)> Make;  // puts Tessal.txt there, or not
        std::vector<std::wstring> Lines;                  // "?": a replacement character; "*": the folder
    };
    const auto file = [](const std::string& bytes) {
        return [bytes](const TempDocuments& docs) { docs.Write(L"Tessal.txt", bytes); };
    };
    const std::wstring missing = L"*Tessal.txt が見つかりませんでした。";
    const Case cases[] = {
        // Pairs that no character has.
        {"invalid Shift-JIS", file("ab\x85\x40!\r\n\xEF\x40"), {L"ab?!", L"?"}},
        {"a lone lead byte at the end of a line and of the file", file("end\x82\r\nlast\x82"), {L"end?", L"last?"}},
        {"empty", file(""), {}},
        {"a folder of its name",
         [](const TempDocuments& docs) { CreateDirectoryW(docs.Path(L"Tessal.txt").c_str(), nullptr); }, {missing}},
        {"none", [](const TempDocuments&) {}, {missing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDocuments docs;
        c.Make(docs);
        const Outcome shown = ShowManual(docs.Folder());
        ASSERT_TRUE(shown.Viewer) << WideToUtf8(shown.Error);
        ASSERT_EQ(shown.Lines.size(), c.Lines.size());
        for (size_t i = 0; i < c.Lines.size(); ++i) {
            std::wstring expected = c.Lines[i];
            if (expected.starts_with(L"*")) expected = docs.Folder() + expected.substr(1);
            const std::wstring& line = shown.Lines[i];
            ASSERT_EQ(line.size(), expected.size()) << WideToUtf8(line);
            for (size_t k = 0; k < line.size(); ++k)
                if (expected[k] == L'?') EXPECT_TRUE(line[k] == L'\u30FB' || line[k] == L'\uFFFD') << WideToUtf8(line);
                else EXPECT_EQ(line[k], expected[k]) << WideToUtf8(line);
        }
    }
}

// Fifty megabytes of Shift-JIS, about 850,000 lines: the viewer lists them
// all, answers while it is up, and a search runs to the last line.
TEST_F(TrayMenuTest, AFiftyMegabyteDocumentOpensAndIsSearchedToTheLastLine)
{
    TempDocuments docs;
    const std::string line = "\x82\xB1\x82\xEA\x82\xCD\x8E\x8E\x8C\xB1\x82\xC5\x82\xB7 0123456789 abcdefghij ABCDEFGHIJ\r\n";
    std::string bytes;
    bytes.reserve(50u << 20);
    while (bytes.size() + line.size() < (50u << 20)) bytes += line;
    const int count = int(bytes.size() / line.size());
    docs.Write(L"Tessal.txt", bytes + "the last line\r\n");
    bytes = {};
    const Outcome shown = ShowManual(docs.Folder(), [&] {
        Search(L"last");
        EXPECT_EQ(disptext->ListBox1->ItemIndex(), count);
        EXPECT_GE(disptext->ListBox1->TopIndex(), count - 40) << "the hit is not in view";
    });
    ASSERT_EQ(shown.Lines.size(), size_t(count + 1));
    EXPECT_EQ(shown.Lines[0], L"これは試験です 0123456789 abcdefghij ABCDEFGHIJ");
}

// The viewer keeps no hold on its document: the file can go or be locked
// while it is up, and the text it shows stays searchable. The command run
// afterwards names the missing file, or reports the locked one.
TEST_F(TrayMenuTest, ADocumentThatVanishesOrIsLocked)
{
    for (const bool lock : {false, true}) {
        SCOPED_TRACE(lock ? "locked" : "deleted");
        TempDocuments docs;
        docs.Write(L"Tessal.txt", "one\r\ntwo\r\n");
        const std::wstring path = docs.Path(L"Tessal.txt");
        HANDLE locked = INVALID_HANDLE_VALUE;
        const Outcome first = ShowManual(docs.Folder(), [&] {
            if (lock) locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            else EXPECT_TRUE(DeleteFileW(path.c_str()));
            Search(L"two");
            EXPECT_EQ(disptext->ListBox1->ItemIndex(), 1);
        });
        EXPECT_EQ(first.Lines, (std::vector<std::wstring>{L"one", L"two"}));
        ASSERT_EQ(locked != INVALID_HANDLE_VALUE, lock) << "the viewer holds its document";

        const Outcome again = ShowManual(docs.Folder());
        if (lock) {
            EXPECT_FALSE(again.Viewer);
            EXPECT_NE(again.Error.find(path + L" を読み込めませんでした。"), std::wstring::npos) << WideToUtf8(again.Error);
            CloseHandle(locked);
        } else {
            EXPECT_EQ(again.Lines, std::vector<std::wstring>{path + L" が見つかりませんでした。"});
        }
    }
}

// Windows: an access list that grants nothing; Wine makes that the Unix mode 000.
TEST_F(TrayMenuTest, ADocumentWithoutTheRightToReadItIsReported)
{
    TempDocuments docs;
    docs.Write(L"Tessal.txt", "secret");
    const std::wstring path = docs.Path(L"Tessal.txt");
    if (!TakeReadingAway(path)) {
        TakeReadingAway(path, false);
        GTEST_SKIP() << "the file stays readable: Wine gave it the mode 000, but the tests run as root, whom Unix "
                        "permissions do not stop (without CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH they do)";
    }
    const Outcome shown = ShowManual(docs.Folder());
    TakeReadingAway(path, false);
    EXPECT_FALSE(shown.Viewer);
    EXPECT_NE(shown.Error.find(path + L" を読み込めませんでした。"), std::wstring::npos) << WideToUtf8(shown.Error);
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
