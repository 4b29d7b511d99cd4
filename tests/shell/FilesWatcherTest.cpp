#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "shell/ShellNotify.h"
#include "shell/ShellUtils.h"
#include "tests/common/Pump.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "tests/shell/WatcherTestSupport.h"

namespace {
constexpr DWORD kShortSettle = 300;
// Long enough for a report that should not come to show itself.
constexpr DWORD kQuiet = kShortSettle + 1200;
constexpr DWORD kNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

// Sets a directory's last-write time an hour back, as if left alone since.
void AgeLastWrite(const std::wstring& directory)
{
    const HANDLE handle = CreateFileW(directory.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
    then.QuadPart -= 3600ULL * 10'000'000ULL;
    const FILETIME old{then.LowPart, then.HighPart};
    EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &old));
    CloseHandle(handle);
}

class FilesWatcherTest : public testing::Test {
protected:
    // Starts a watcher that records its reports, and waits until it watches
    // a path given; the test ends it in TearDown.
    void Watch(const std::wstring& path, DWORD filter, DWORD settleMs = kShortSettle)
    {
        const size_t opened = TChangeHandle::OpenedCount();
        FWatcher = new TFilesWatcherProbe(path, filter, [this](TObject* sender, const std::wstring& reported) {
            EXPECT_EQ(sender, FWatcher);
            FReports.push_back(reported);
        }, settleMs);
        FWatcher->Gone = &FGone;
        FWatcher->OnTerminate = [this](TObject*) { FEnded = true; };
        if (!path.empty()) {
            EXPECT_TRUE(HandlesOpened(opened)) << "the worker opened no handle";
        }
    }
    void TearDown() override
    {
        Application->OnException = nullptr;
        if (FWatcher && !FGone) {
            FWatcher->StopWatching();
            EXPECT_TRUE(PumpUntil([&] { return FGone; }, 10000));
        }
    }

    TTempDir FDir;
    TFilesWatcherProbe* FWatcher = nullptr;
    std::vector<std::wstring> FReports;
    bool FGone = false, FEnded = false;
};
}  // namespace

TEST_F(FilesWatcherTest, TenSavesWithinASecondGiveOneReportAfterTheQuietTime)
{
    const std::wstring file = FDir.Path() + L"\\note.txt";
    AppendToFile(file);
    Watch(FDir.Path(), FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
          TShFilesWatcher::DefaultSettleMs);
    for (int i = 0; i < 10; ++i) {
        AppendToFile(file);
        PumpFor(50);
    }
    ASSERT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 10000));
    PumpFor(2500);
    ASSERT_EQ(FReports.size(), 1u);
    EXPECT_EQ(FReports[0], FDir.Path());
}

TEST_F(FilesWatcherTest, EachBurstAfterAReportIsReportedAgain)
{
    Watch(FDir.Path(), kNames);
    AppendToFile(FDir.Path() + L"\\first.txt");
    ASSERT_TRUE(PumpUntil([&] { return FReports.size() == 1; }, 10000));
    AppendToFile(FDir.Path() + L"\\second.txt");
    ASSERT_TRUE(PumpUntil([&] { return FReports.size() == 2; }, 10000));
}

// The owner hears once that the directory it gave is missing (it may have
// gone while the owner read it), then nothing until a directory arrives.
TEST_F(FilesWatcherTest, AMissingPathIsReportedOnceAndIdlesUntilAnExistingOneArrives)
{
    const std::wstring missing = FDir.Path() + L"\\missing";
    const std::wstring real = FDir.MakeDir(L"real");
    Watch(FDir.Path(), kNames);
    FWatcher->SetPath(missing);
    EXPECT_EQ(FWatcher->CurrentPath(), L"");
    ASSERT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 10000));
    EXPECT_EQ(FReports, std::vector<std::wstring>{missing});
    AppendToFile(real + L"\\a.txt");
    AppendToFile(FDir.Path() + L"\\b.txt");
    PumpFor(kQuiet);
    EXPECT_EQ(FReports.size(), 1u);

    const size_t opened = TChangeHandle::OpenedCount();
    FWatcher->SetPath(real);
    EXPECT_EQ(FWatcher->CurrentPath(), real);
    ASSERT_TRUE(HandlesOpened(opened));
    AppendToFile(real + L"\\c.txt");
    ASSERT_TRUE(PumpUntil([&] { return FReports.size() == 2; }, 10000));
    EXPECT_EQ(FReports[1], real);
}

// The watched directory goes: removed empty, emptied and removed after the
// watcher saw it full (a watcher of sizes hears nothing of the emptying),
// and moved away while full.
TEST_F(FilesWatcherTest, TheLossOfTheWatchedDirectoryReachesTheOwner)
{
    const std::wstring moved = FDir.Path() + L"\\moved";
    const struct {
        const char* name;
        bool full;
        std::function<bool(const std::wstring&)> lose;
    } cases[] = {
        {"removed empty", false, [](const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != 0; }},
        {"emptied and removed", true,
         [](const std::wstring& path) {
             return DeleteFileW((path + L"\\held.txt").c_str()) && RemoveDirectoryW(path.c_str());
         }},
        {"moved away", true, [&](const std::wstring& path) { return MoveFileW(path.c_str(), moved.c_str()) != 0; }},
    };
    for (const auto& loss : cases) {
        SCOPED_TRACE(loss.name);
        const std::wstring watched = FDir.MakeDir(L"doomed");
        if (loss.full) AppendToFile(watched + L"\\held.txt");
        AgeLastWrite(watched);
        FReports.clear();
        FGone = false;
        Watch(watched, FILE_NOTIFY_CHANGE_SIZE);
        PumpFor(1500);  // a presence check or more while the directory is there
        EXPECT_TRUE(FReports.empty());
        ASSERT_TRUE(loss.lose(watched));
        ASSERT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 10000));
        EXPECT_EQ(FReports[0], watched);
        // Changes beside the vanished directory are none of its business.
        AppendToFile(FDir.Path() + L"\\sibling.txt");
        PumpFor(kQuiet);
        EXPECT_EQ(FReports.size(), 1u);
        FWatcher->StopWatching();
        ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
        FWatcher = nullptr;
        DeleteFileW((moved + L"\\held.txt").c_str());
        RemoveDirectoryW(moved.c_str());
    }
}

// Under Wine the presence check closes the handle of an empty directory for
// a moment, and waits there for the other watchers, here one in a burst, to
// let go of theirs. A directory with entries keeps its handle, so a change
// made in that moment is reported all the same.
TEST_F(FilesWatcherTest, AChangeAtTheMomentOfAPresenceCheckIsReported)
{
    const std::wstring file = FDir.Path() + L"\\note.txt", busy = FDir.MakeDir(L"busy");
    AppendToFile(file);
    Watch(FDir.Path(), FILE_NOTIFY_CHANGE_SIZE);
    bool otherGone = false;
    const size_t opened = TChangeHandle::OpenedCount();
    auto* other = new TFilesWatcherProbe(busy, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, 60000);
    other->Gone = &otherGone;
    // The first watcher's directory holds entries, so it keeps its handle: this one is the other's.
    EXPECT_TRUE(HandlesOpened(opened));
    for (size_t round = 1; round <= 3; ++round) {
        // The checks fall on whole seconds of the tick count.
        while (GetTickCount64() % 1000 < 990) PumpFor(5);
        AppendToFile(busy + L"\\f" + std::to_wstring(round) + L".txt");
        while (GetTickCount64() % 1000 > 5) PumpFor(1);
        AppendToFile(file);
        ASSERT_TRUE(PumpUntil([&] { return FReports.size() == round; }, 5000)) << "round " << round;
    }
    other->StopWatching();
    EXPECT_TRUE(PumpUntil([&] { return otherGone; }, 10000));
}

// A listing watches its folder with two watchers. Under Wine a removed
// directory stays while any handle on it is open, so neither watcher may
// keep it there for the other.
TEST_F(FilesWatcherTest, TwoWatchersOfOneDirectoryBothSeeItRemoved)
{
    const std::wstring watched = FDir.MakeDir(L"shared");
    Watch(watched, kNames);
    PumpFor(500);  // the two start out of step
    std::vector<std::wstring> otherReports;
    bool otherGone = false;
    auto* other = new TFilesWatcherProbe(watched, FILE_NOTIFY_CHANGE_SIZE, [&](TObject*, const std::wstring& path) {
        otherReports.push_back(path);
    }, kShortSettle);
    other->Gone = &otherGone;
    // Held, not opened: the first watcher's presence checks close and reopen its handle on the empty directory.
    EXPECT_TRUE(PumpUntil([] { return TChangeHandle::OpenedCount() - TChangeHandle::ClosedCount() >= 2; }, 10000))
        << "the two watchers do not both hold a handle";
    EXPECT_TRUE(RemoveDirectoryW(watched.c_str()));
    EXPECT_TRUE(PumpUntil([&] { return !FReports.empty() && !otherReports.empty(); }, 10000));
    other->StopWatching();
    EXPECT_TRUE(PumpUntil([&] { return otherGone; }, 10000));
}

TEST_F(FilesWatcherTest, ChangesBesideTheWatchedDirectoryAreNotReported)
{
    const std::wstring watched = FDir.MakeDir(L"watched");
    Watch(watched, kNames);
    FDir.MakeDir(L"sibling");
    AppendToFile(FDir.Path() + L"\\beside.txt");
    PumpFor(kQuiet);
    EXPECT_TRUE(FReports.empty());
}

TEST_F(FilesWatcherTest, StopWhileAHandOverWaitsReportsNothingAndFreesTheWatcher)
{
    Watch(FDir.Path(), kNames);
    AppendToFile(FDir.Path() + L"\\late.txt");
    // The main thread serves nothing until the hand-over has been posted.
    ASSERT_TRUE(WaitForPostedMessage(10000));
    FWatcher->StopWatching();
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
    EXPECT_TRUE(FEnded);
    EXPECT_TRUE(FReports.empty());
}

TEST_F(FilesWatcherTest, AHundredPathsLeaveNoHandleBehind)
{
    std::vector<std::wstring> paths;
    for (int i = 0; i < 100; ++i) paths.push_back(FDir.MakeDir(L"d" + std::to_wstring(i)));
    // A first watcher brings up what lives on for the process (the hand-over window).
    Watch(paths[0], kNames);
    FWatcher->StopWatching();
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));

    const size_t before = OpenHandleCount();
    ASSERT_GT(before, 0u);
    FGone = false;
    Watch(L"", kNames);
    for (const std::wstring& path : paths) {
        FWatcher->SetPath(path);
        PumpFor(10);
    }
    PumpFor(200);
    EXPECT_GT(OpenHandleCount(), before);  // the count sees the watcher's thread, events and change handles
    FWatcher->StopWatching();
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
    EXPECT_EQ(OpenHandleCount(), before);
}

TEST_F(FilesWatcherTest, AnErrorInTheHandlerIsShownAndEndsTheWatcher)
{
    std::string shown;
    Application->OnException = [&](TObject*, const std::exception& error) { shown = error.what(); };
    Watch(FDir.Path(), kNames);
    FWatcher->OnChange = [](TObject*, const std::wstring&) { throw Exception(L"listing failed"); };
    AppendToFile(FDir.Path() + L"\\new.txt");
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
    EXPECT_TRUE(FEnded);
    EXPECT_EQ(shown, "listing failed");
}

TEST_F(FilesWatcherTest, AnOSErrorEndsTheWatcherQuietly)
{
    bool shown = false;
    Application->OnException = [&](TObject*, const std::exception&) { shown = true; };
    Watch(FDir.Path(), kNames);
    FWatcher->OnChange = [](TObject*, const std::wstring&) { RaiseOSError(ERROR_ACCESS_DENIED); };
    AppendToFile(FDir.Path() + L"\\new.txt");
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
    EXPECT_TRUE(FEnded);
    EXPECT_FALSE(shown);
}

// The owner learns that its directory went, makes it again and gives the
// same path: the watcher, idle since, must watch the new directory.
TEST_F(FilesWatcherTest, TheSamePathAgainWatchesARecreatedDirectory)
{
    const std::wstring watched = FDir.MakeDir(L"phoenix");
    Watch(watched, kNames);
    ASSERT_TRUE(RemoveDirectoryW(watched.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return FReports.size() == 1; }, 10000));
    ASSERT_TRUE(CreateDirectoryW(watched.c_str(), nullptr));
    const size_t opened = TChangeHandle::OpenedCount();
    FWatcher->SetPath(watched);
    ASSERT_TRUE(HandlesOpened(opened));
    AppendToFile(watched + L"\\reborn.txt");
    EXPECT_TRUE(PumpUntil([&] { return FReports.size() == 2; }, 10000));
}

// A folder written to more often than the quiet time must still be refreshed
// while the writing goes on.
TEST_F(FilesWatcherTest, SteadyWritingIsReportedWithinFiveQuietTimes)
{
    Watch(FDir.Path(), kNames);
    int written = 0;
    for (; written < 40 && FReports.empty(); ++written) {
        AppendToFile(FDir.Path() + L"\\f" + std::to_wstring(written) + L".txt");
        PumpUntil([&] { return !FReports.empty(); }, kShortSettle / 3);
    }
    EXPECT_LT(written, 40) << "no report while a file was written every third of the quiet time";
}

TEST_F(FilesWatcherTest, AReportNamesTheDirectoryThatChangedNotTheOneWatchedSince)
{
    const std::wstring first = FDir.MakeDir(L"first"), second = FDir.MakeDir(L"second");
    Watch(first, kNames);
    AppendToFile(first + L"\\new.txt");
    // The hand-over waits for the main thread while the owner moves on.
    ASSERT_TRUE(WaitForPostedMessage(10000));
    FWatcher->SetPath(second);
    ASSERT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 10000));
    EXPECT_EQ(FReports[0], first);
}

// An owner's pause (its path emptied and given back) while a burst settles:
// the burst is reported once the same directory is watched again.
TEST_F(FilesWatcherTest, ABurstSettlingWhenThePathIsTakenAwayIsReportedWhenItComesBack)
{
    const std::wstring file = FDir.Path() + L"\\note.txt";
    AppendToFile(file);
    int made = 0;
    const struct {
        const char* name;
        DWORD filter;
        std::function<void()> change;
    } cases[] = {
        {"names", kNames, [&] { AppendToFile(FDir.Path() + L"\\made" + std::to_wstring(++made) + L".txt"); }},
        {"contents", FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE, [&] { AppendToFile(file); }},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        Watch(FDir.Path(), step.filter, TShFilesWatcher::DefaultSettleMs);
        // A first report shows the watcher's handle open (its thread may open it
        // late: a change is made again each time a report could have come).
        ULONGLONG next = 0;
        ASSERT_TRUE(PumpUntil([&] {
            if (GetTickCount64() >= next) {
                step.change();
                next = GetTickCount64() + TShFilesWatcher::DefaultSettleMs + 1000;
            }
            return !FReports.empty();
        }, 20000));
        FReports.clear();
        PumpFor(100);
        // The test's own handle on the directory is signalled in the same pass as the watcher's.
        const HANDLE seen = FindFirstChangeNotificationW(FDir.Path().c_str(), FALSE, step.filter);
        ASSERT_NE(seen, INVALID_HANDLE_VALUE);
        step.change();
        EXPECT_EQ(WaitForSingleObject(seen, 10000), WAIT_OBJECT_0);
        FindCloseChangeNotification(seen);
        FWatcher->SetPath(L"");
        PumpFor(TShFilesWatcher::DefaultSettleMs + 500);  // longer than the burst would have settled
        EXPECT_TRUE(FReports.empty());
        FWatcher->SetPath(FDir.Path());
        EXPECT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 15000));
        EXPECT_EQ(FReports, std::vector<std::wstring>{FDir.Path()});
        TearDown();
        FReports.clear();
        FWatcher = nullptr;
        FGone = FEnded = false;
    }
}

// The owner gives back the directory with its last-write time from the moment
// it stopped watching: a name made meanwhile is reported.
TEST_F(FilesWatcherTest, ANameMadeWhileNobodyWatchedIsReportedWhenWatchingResumes)
{
    Watch(L"", kNames);
    const ULONGLONG before = LastWriteTicks(FDir.Path());
    AppendToFile(FDir.Path() + L"\\made-unwatched.txt");
    ASSERT_NE(LastWriteTicks(FDir.Path()), before);
    FWatcher->SetPath(FDir.Path(), before);
    EXPECT_TRUE(PumpUntil([&] { return !FReports.empty(); }, 15000));
    EXPECT_EQ(FReports, std::vector<std::wstring>{FDir.Path()});
}
