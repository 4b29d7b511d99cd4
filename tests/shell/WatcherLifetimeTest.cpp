#include <gtest/gtest.h>

#include "shell/ShellNotify.h"
#include "tests/shell/WatcherTestSupport.h"

// An owner that must have its watcher gone at once (its own end) frees it:
// the watcher's worker, woken by its own stop event, is waited for before
// the watcher's events and lists go, even when it has not begun to run.
TEST(WatcherLifetimeTest, FreeingAWatcherAtOnceStopsItsWorkerFirst)
{
    TTempDir dir;
    const std::vector<std::wstring> trees{dir.Path()};
    for (int round = 0; round < 30; ++round) {
        bool dirGone = false, filesGone = false;
        auto* directories = new TDirWatcherProbe(&trees, FILE_NOTIFY_CHANGE_DIR_NAME, nullptr, nullptr);
        directories->Gone = &dirGone;
        auto* files = new TFilesWatcherProbe(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, nullptr);
        files->Gone = &filesGone;
        directories->Free();
        files->Free();
        ASSERT_TRUE(dirGone && filesGone) << round;
    }
}
