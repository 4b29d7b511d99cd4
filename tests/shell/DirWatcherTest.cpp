#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <memory>
#include <vector>

#include "shell/ShellNotify.h"
#include "tests/common/Pump.h"
#include "tests/shell/ShellItemFixtures.h"
#include "tests/shell/WatcherTestSupport.h"

namespace {
constexpr DWORD kShortSettle = 300;
// Long enough for a report that should not come to show itself.
constexpr DWORD kQuiet = kShortSettle + 1200;

class DirWatcherTest : public testing::Test {
protected:
    void Watch(const std::vector<std::wstring>* directories, DWORD settleMs = kShortSettle,
               DWORD deviceSettleMs = kShortSettle)
    {
        const size_t opened = TChangeHandle::OpenedCount();
        FWatcher = new TDirWatcherProbe(
            directories, FILE_NOTIFY_CHANGE_DIR_NAME,
            [this](TObject* sender, std::unique_ptr<TDeviceChangeData> record) {
                EXPECT_EQ(sender, FWatcher);
                FRecords.push_back(std::move(record));
            },
            [this](TObject* sender) {
                EXPECT_EQ(sender, FWatcher);
                ++FDirChanges;
            },
            settleMs, deviceSettleMs);
        FWatcher->Gone = &FGone;
        FWatcher->OnTerminate = [this](TObject*) { FEnded = true; };
        EXPECT_TRUE(HandlesOpened(opened, FWatcher->Directories().size())) << "the worker opened no handles";
    }
    void TearDown() override
    {
        if (FWatcher && !FGone) {
            FWatcher->StopWatching();
            EXPECT_TRUE(PumpUntil([&] { return FGone; }, 10000));
        }
    }
    static std::unique_ptr<TDeviceChangeData> Record(const std::wstring& text)
    {
        return std::make_unique<TDeviceChangeData>(text, nullptr, dkMedia, DBT_DEVICEARRIVAL);
    }

    TTempDir FDir;
    TDirWatcherProbe* FWatcher = nullptr;
    int FDirChanges = 0;
    std::vector<std::unique_ptr<TDeviceChangeData>> FRecords;
    bool FGone = false, FEnded = false;
};
}  // namespace

TEST_F(DirWatcherTest, AFolderCreatedDeepInAWatchedTreeGivesOneReport)
{
    const std::wstring tree = FDir.MakeDir(L"tree");
    const std::vector<std::wstring> trees{tree};
    Watch(&trees, TShDirWatcher::DefaultSettleMs);
    // Wine's subtree watch covers the subfolders made after it began (Windows: all of them).
    const std::wstring sub = tree + L"\\sub";
    CreateDirectoryW(sub.c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return FDirChanges == 1; }, 10000));
    CreateDirectoryW((sub + L"\\new").c_str(), nullptr);
    CreateDirectoryW((sub + L"\\newer").c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return FDirChanges > 1; }, 10000));
    PumpFor(2000);
    EXPECT_EQ(FDirChanges, 2);
}

TEST_F(DirWatcherTest, TheWatchedSetIsSortedWithBackslashesAndExistingOnly)
{
    const std::wstring b = FDir.MakeDir(L"b"), a = FDir.MakeDir(L"a");
    const std::vector<std::wstring> given{b, a + L"\\", FDir.Path() + L"\\missing", a};
    Watch(&given);
    EXPECT_EQ(FWatcher->Directories(), (std::vector<std::wstring>{a + L"\\", b + L"\\"}));
}

// A new set makes the watcher close and reopen its handles, which drops a
// change that has not woken it yet; the same set in another spelling must not.
TEST_F(DirWatcherTest, TheSameSetInAnotherSpellingCausesNoRebuild)
{
    const std::wstring a = FDir.MakeDir(L"a"), b = FDir.MakeDir(L"b");
    const std::vector<std::wstring> given{a + L"\\", b + L"\\"};
    Watch(&given);
    CreateDirectoryW((b + L"\\new").c_str(), nullptr);
    const std::vector<std::wstring> respelled{b, a};
    FWatcher->SetDirectories(&respelled);
    ASSERT_TRUE(PumpUntil([&] { return FDirChanges > 0; }, 10000));
    EXPECT_EQ(FWatcher->Directories(), given);
}

TEST_F(DirWatcherTest, ANewSetIsWatchedFromThenOn)
{
    const std::wstring a = FDir.MakeDir(L"a"), b = FDir.MakeDir(L"b");
    const std::vector<std::wstring> first{a};
    Watch(&first);
    const std::vector<std::wstring> second{b};
    const size_t opened = TChangeHandle::OpenedCount();
    FWatcher->SetDirectories(&second);
    ASSERT_TRUE(HandlesOpened(opened));  // after it closed the first set's
    CreateDirectoryW((a + L"\\old").c_str(), nullptr);
    PumpFor(kQuiet);
    EXPECT_EQ(FDirChanges, 0);
    CreateDirectoryW((b + L"\\new").c_str(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return FDirChanges > 0; }, 10000));
}

TEST_F(DirWatcherTest, NoSetStopsDirectoryWatchingButRecordsStillFlow)
{
    const std::wstring a = FDir.MakeDir(L"a");
    const std::vector<std::wstring> given{a};
    Watch(&given);
    const size_t closed = TChangeHandle::ClosedCount();
    FWatcher->SetDirectories(nullptr);
    EXPECT_TRUE(FWatcher->Directories().empty());
    ASSERT_TRUE(HandlesClosed(closed));
    CreateDirectoryW((a + L"\\new").c_str(), nullptr);
    PumpFor(kQuiet);
    EXPECT_EQ(FDirChanges, 0);
    FWatcher->QueueDeviceChange(Record(L"USB (E:)"));
    ASSERT_TRUE(PumpUntil([&] { return !FRecords.empty(); }, 10000));
    EXPECT_EQ(FRecords[0]->Text(), L"USB (E:)");
}

TEST_F(DirWatcherTest, SeventyTreesAreAllWatched)
{
    std::vector<std::wstring> trees;
    for (int i = 0; i < 70; ++i) trees.push_back(FDir.MakeDir(L"t" + std::to_wstring(100 + i)));
    Watch(&trees);
    ASSERT_EQ(FWatcher->Directories().size(), 70u);
    // The ends of the sorted set: one waits in the watcher's own wait, the other in a relay.
    for (const std::wstring& tree : {trees.front(), trees.back()}) {
        const int before = FDirChanges;
        CreateDirectoryW((tree + L"\\new").c_str(), nullptr);
        EXPECT_TRUE(PumpUntil([&] { return FDirChanges == before + 1; }, 10000)) << tree.c_str();
    }
}

// A tree where folders come and go more often than the quiet time must
// still be refreshed while that goes on.
TEST_F(DirWatcherTest, SteadyActivityIsReportedWithinFiveQuietTimes)
{
    const std::wstring tree = FDir.MakeDir(L"busy");
    const std::vector<std::wstring> trees{tree};
    Watch(&trees);
    int made = 0;
    for (; made < 40 && FDirChanges == 0; ++made) {
        CreateDirectoryW((tree + L"\\d" + std::to_wstring(made)).c_str(), nullptr);
        PumpUntil([&] { return FDirChanges > 0; }, kShortSettle / 3);
    }
    EXPECT_LT(made, 40) << "no report while a folder was made every third of the quiet time";
}

TEST_F(DirWatcherTest, TwoRecordsWithinTheQuietTimeAreHandedOverOnceWithTheNewer)
{
    // The newer comes after the worker has woken for the older, and well
    // within the quiet time even when this thread is held up for a while.
    Watch(nullptr, kShortSettle, 2000);
    FWatcher->QueueDeviceChange(Record(L"Older (E:)"));
    PumpFor(100);
    FWatcher->QueueDeviceChange(Record(L"Newer (F:)"));
    ASSERT_TRUE(PumpUntil([&] { return !FRecords.empty(); }, 10000));
    PumpFor(1500);
    ASSERT_EQ(FRecords.size(), 1u);
    EXPECT_EQ(FRecords[0]->Text(), L"Newer (F:)");
}

TEST_F(DirWatcherTest, ARecordDuringTheQuietTimeDoesNotLoseTheChange)
{
    const std::wstring a = FDir.MakeDir(L"a");
    const std::vector<std::wstring> given{a};
    Watch(&given);
    CreateDirectoryW((a + L"\\new").c_str(), nullptr);
    PumpFor(50);
    FWatcher->QueueDeviceChange(Record(L"USB (E:)"));
    ASSERT_TRUE(PumpUntil([&] { return FRecords.size() == 1 && FDirChanges == 1; }, 10000));
    PumpFor(kQuiet);
    EXPECT_EQ(FDirChanges, 1);
}

TEST_F(DirWatcherTest, StopWhileARecordWaitsForTheMainThreadHandsNothingOver)
{
    Watch(nullptr);
    FWatcher->QueueDeviceChange(Record(L"USB (E:)"));
    // The main thread serves nothing until the hand-over has been posted.
    ASSERT_TRUE(WaitForPostedMessage(10000));
    FWatcher->StopWatching();
    ASSERT_TRUE(PumpUntil([&] { return FGone; }, 10000));
    EXPECT_TRUE(FEnded);
    EXPECT_TRUE(FRecords.empty());
}

TEST(DeviceChangeDataTest, ARecordKeepsAndFreesItsOwnCopyOfTheList)
{
    TIDListPtr root = IDListOfPath(L"C:\\");
    ASSERT_TRUE(root);
    AllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    {
        TDeviceChangeData record(L"System (C:)", root.get(), dkMedia, DBT_DEVICEARRIVAL);
        EXPECT_NE(record.IDList(), root.get());
        EXPECT_EQ(IDListSize(record.IDList()), IDListSize(root.get()));
        EXPECT_EQ(memcmp(record.IDList(), root.get(), IDListSize(root.get())), 0);
        EXPECT_EQ(record.Text(), L"System (C:)");
        EXPECT_EQ(record.Kind(), dkMedia);
        EXPECT_EQ(record.Event(), DWORD(DBT_DEVICEARRIVAL));
    }
    EXPECT_EQ(counter.Allocations(), 1);
    EXPECT_EQ(counter.Frees(), 1);
}
