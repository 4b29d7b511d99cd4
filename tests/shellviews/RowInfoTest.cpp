// A row's icon, overlay and type name come from the view's worker: the row
// is there at once with its name, shows the shell's own answers once they
// come, never an answer meant for a row of an earlier listing, and the worker
// ends with the view.
#include "tests/shellviews/ListViewFixture.h"

#include <shellapi.h>

#include "shell/ShellClassCache.h"

namespace {
std::wstring CellText(HWND window, int row, int column)
{
    wchar_t text[260] = {};
    ListView_GetItemText(window, row, column, text, int(std::size(text)));
    return text;
}

int RowIcon(HWND window, int row)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(window, &item);
    return item.iImage;
}

std::wstring ShellTypeName(LPCITEMIDLIST absolute)
{
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_PIDL);
    return info.szTypeName;
}

// Holds the worker before each answer until the test lets answers through.
class RowInfo : public ListViewTest {
protected:
    void SetUp() override
    {
        // Every class is unknown: each row needs the worker.
        ClearShellClassCache();
        FGate = CreateSemaphoreW(nullptr, 0, 100000, nullptr);
        TShellRowWorker::AnswerGate = FGate;
        FStopsBefore = TShellRowWorker::GateStops;
        ListViewTest::SetUp();
    }
    void TearDown() override
    {
        ListViewTest::TearDown();
        TShellRowWorker::AnswerGate = nullptr;
        CloseHandle(FGate);
        ClearShellClassCache();
    }

    // Paints the rows and waits until the worker holds its `stops`-th request at the gate.
    bool WorkerHeld(int stops)
    {
        UpdateWindow(Window());
        const bool held = PumpUntil([&] { return TShellRowWorker::GateStops - FStopsBefore >= stops; }, 10000);
        // What the worker handed over before it stopped is taken too.
        PumpUntil([] { return true; }, 0);
        return held;
    }
    void Let(int answers) { ReleaseSemaphore(FGate, answers, nullptr); }

    // Every row shows exactly what the shell answers for its item.
    bool RowsShowTheShellsAnswers() const
    {
        return PumpUntil(
            [&] {
                TShellFileList& list = View->FileList();
                for (int row = 0; row < list.Count(); ++row) {
                    LPCITEMIDLIST absolute = list.ItemAt(row)->AbsoluteIDList();
                    if (RowIcon(Window(), row) != SysIconIndex(absolute, false, false) ||
                        CellText(Window(), row, 2) != ShellTypeName(absolute))
                        return false;
                }
                return list.Count() > 0;
            },
            10000);
    }
    bool IsFolderRow(int row) const { return View->FileList().ItemAt(row)->HasAttribute(iaFolder); }

private:
    HANDLE FGate = nullptr;
    int FStopsBefore = 0;
};
}  // namespace

TEST_F(RowInfo, ARowShowsItsNameAtOnceAndTheShellsIconAndTypeWhenTheyCome)
{
    Folder.AddFile(L"notes.txt", 10);
    Folder.AddFile(L"table.csv", 10);
    Folder.AddFolder(L"sub");
    ListPath(Folder.Path());
    ASSERT_EQ(View->FileList().Count(), 3);
    ASSERT_TRUE(WorkerHeld(1));

    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(CellText(Window(), row, 0), View->FileList().ItemAt(row)->DisplayName());
        EXPECT_FALSE(CellText(Window(), row, 0).empty());
        EXPECT_EQ(CellText(Window(), row, 1), IsFolderRow(row) ? L"" : L"1KB") << "the size costs no trip";
        EXPECT_EQ(CellText(Window(), row, 2), L"") << "no type before the worker's answer";
        EXPECT_EQ(RowIcon(Window(), row), GenericIconIndex(IsFolderRow(row), false));
    }
    EXPECT_NE(GenericIconIndex(true, false), GenericIconIndex(false, false));

    Let(100);
    EXPECT_TRUE(RowsShowTheShellsAnswers());
}

TEST_F(RowInfo, AnAnswerForARowOfTheFolderLeftIsDropped)
{
    // The row of the first folder is a folder, those of the second are text files:
    // the first one's answer on a row of the second would show another type and icon.
    const std::wstring first = Folder.AddFolder(L"first");
    Folder.AddFolder(L"first\\inner");
    const std::wstring second = Folder.AddFolder(L"second");
    for (const wchar_t* name : {L"second\\a.txt", L"second\\b.txt"}) Folder.AddFile(name, 10);

    ListPath(first);
    ASSERT_TRUE(WorkerHeld(1)) << "the worker holds the answer for first\\inner";
    ListPath(second);
    ASSERT_EQ(View->FileList().Count(), 2);
    UpdateWindow(Window());
    Let(1);
    ASSERT_TRUE(WorkerHeld(2)) << "first\\inner was answered and handed over";

    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(View->FileList().ItemAt(row)->RowInfoKnown(false));
        EXPECT_EQ(CellText(Window(), row, 2), L"");
        EXPECT_EQ(RowIcon(Window(), row), GenericIconIndex(false, false));
    }
    Let(100);
    EXPECT_TRUE(RowsShowTheShellsAnswers());
}

TEST_F(RowInfo, ARowOfAClassTheShellHasToldOfNeedsNoWorker)
{
    Folder.AddFile(L"one\\a.txt", 10);
    Folder.AddFile(L"two\\b.txt", 10);
    ListPath(Folder.Path() + L"\\one");
    Let(100);
    ASSERT_TRUE(RowsShowTheShellsAnswers());

    // The worker lets nothing more through: b.txt is complete from what a.txt told.
    TShellRowWorker::AnswerGate = CreateSemaphoreW(nullptr, 0, 1, nullptr);
    ListPath(Folder.Path() + L"\\two");
    EXPECT_TRUE(RowsShowTheShellsAnswers());
    EXPECT_TRUE(View->FileList().ItemAt(0)->RowInfoKnown(false)) << "the generic icon may look the same";
    CloseHandle(TShellRowWorker::AnswerGate.exchange(nullptr));
}

TEST_F(RowInfo, TheWorkerEndsWithTheView)
{
    Folder.AddFile(L"held.txt");
    ListPath(Folder.Path());
    ASSERT_TRUE(WorkerHeld(1));
    EXPECT_EQ(TShellRowWorker::Running, 1);
    Form.reset();
    EXPECT_EQ(TShellRowWorker::Running, 0) << "joined while it waited for an answer to pass";
}

TEST_F(RowInfo, PlainFoldersShareWhatTheShellToldOfOneAndADesktopIniFolderAsksForItself)
{
    Folder.AddFolder(L"one\\plain");
    Folder.AddFolder(L"two\\plain too");
    const std::wstring dressed = Folder.AddFolder(L"two\\dressed");
    const std::string ini = "[.ShellClassInfo]\r\nIconFile=C:\\windows\\system32\\shell32.dll\r\nIconIndex=3\r\n";
    const HANDLE file = CreateFileW((dressed + L"\\desktop.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, ini.data(), DWORD(ini.size()), &written, nullptr);
    CloseHandle(file);
    ListPath(Folder.Path() + L"\\one");
    Let(100);
    ASSERT_TRUE(RowsShowTheShellsAnswers());

    // The worker lets nothing more through: the plain folder is complete from
    // what the first one told, the dressed one waits for its own answer.
    const HANDLE closed = CreateSemaphoreW(nullptr, 0, 100, nullptr);
    TShellRowWorker::AnswerGate = closed;
    ListPath(Folder.Path() + L"\\two");
    ASSERT_EQ(View->FileList().Count(), 2);
    UpdateWindow(Window());
    TShellFileList& list = View->FileList();
    for (int row = 0; row < 2; ++row) {
        const bool isDressed = list.ItemAt(row)->DisplayName() == L"dressed";
        EXPECT_EQ(list.ItemAt(row)->RowInfoKnown(false), !isDressed) << list.ItemAt(row)->DisplayName();
    }
    ReleaseSemaphore(closed, 100, nullptr);
    EXPECT_TRUE(RowsShowTheShellsAnswers());
    TShellRowWorker::AnswerGate = nullptr;
    CloseHandle(closed);
}
