#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "shell/ChangeHandle.h"
#include "tests/shell/WatcherTestSupport.h"

namespace {
// An event stands in for a change handle whose directory has gone: it wakes
// a wait like one, but FindNextChangeNotification refuses it.
HANDLE UnrearmableHandle()
{
    return CreateEventW(nullptr, FALSE, FALSE, nullptr);
}
}  // namespace

// A handle that cannot wait for more must not end the watcher: the wait set
// answers false, whether the handle sits in the set itself or in a relay
// (which must still pass on the change that woke it).
TEST(DirWaitSetTest, AHandleThatCannotBeRearmedIsAnsweredNotRaised)
{
    constexpr size_t kInOwnWait = 1, kInRelay = MAXIMUM_WAIT_OBJECTS - 3;
    for (const size_t realHandles : {kInOwnWait, kInRelay}) {
        SCOPED_TRACE(realHandles == kInOwnWait ? "in the set's own wait" : "in a relay");
        TTempDir dir;
        std::vector<TChangeHandle> handles;
        for (size_t i = 0; i < realHandles; ++i)
            handles.emplace_back(dir.MakeDir(L"t" + std::to_wstring(i)), true, FILE_NOTIFY_CHANGE_DIR_NAME);
        const HANDLE broken = UnrearmableHandle();
        handles.emplace_back(broken);
        TEvent stop(true), device(false), listChanged(false);
        TDirWaitSet waits(stop.Handle(), device.Handle(), listChanged.Handle());
        waits.Assign(std::move(handles));

        SetEvent(broken);
        const DWORD slot = waits.Wait(5000);
        ASSERT_TRUE(waits.IsChange(slot)) << slot;
        EXPECT_FALSE(waits.Rearm(slot));
        waits.Close();
    }
}
