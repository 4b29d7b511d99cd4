#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "tests/common/Pump.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Thread.h"
#include "ui/UtilityWindow.h"

namespace {
// A thread whose body is given by the test; it tells the test when it is gone.
class TTestThread : public TThread {
public:
    TTestThread(std::function<void(TTestThread&)> body, bool* destroyed = nullptr)
        : FBody(std::move(body)), FDestroyed(destroyed)
    {
        Start();
    }
    using TThread::Synchronize;

protected:
    ~TTestThread() override
    {
        if (FDestroyed) *FDestroyed = true;
    }
    void Execute() override { FBody(*this); }

private:
    std::function<void(TTestThread&)> FBody;
    bool* FDestroyed;
};

class ThreadTest : public testing::Test {
protected:
    void TearDown() override
    {
        Application->OnException = nullptr;
        if (FStarted) CloseHandle(FStarted);
    }
    HANDLE FStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};
}  // namespace

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadWhileTheWorkerWaits)
{
    const DWORD mainId = GetCurrentThreadId();
    DWORD ranOn = 0;
    int seenAfterCall = -1;
    bool ended = false, destroyed = false;
    auto* thread = new TTestThread(
        [&](TTestThread& self) {
            int value = 0;
            self.Synchronize([&] {
                ranOn = GetCurrentThreadId();
                value = 42;
            });
            seenAfterCall = value;  // written by the main thread before Synchronize returned
        },
        &destroyed);
    thread->FreeOnTerminate = true;
    DWORD endedOn = 0;
    thread->OnTerminate = [&](TObject* sender) {
        EXPECT_EQ(sender, thread);
        endedOn = GetCurrentThreadId();
        ended = true;
    };
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
    EXPECT_TRUE(ended);
    EXPECT_EQ(ranOn, mainId);
    EXPECT_EQ(endedOn, mainId);
    EXPECT_EQ(seenAfterCall, 42);
}

TEST_F(ThreadTest, WithoutFreeOnTerminateTheOwnerDeletesTheEndedThread)
{
    bool ended = false, destroyed = false;
    auto* thread = new TTestThread([](TTestThread&) {}, &destroyed);
    thread->OnTerminate = [&](TObject*) { ended = true; };
    ASSERT_TRUE(PumpUntil([&] { return ended; }, 10000));
    PumpFor(100);
    EXPECT_FALSE(destroyed);
    thread->Free();
    EXPECT_TRUE(destroyed);
}

TEST_F(ThreadTest, SynchronizeIsServedInsideAModalMenuLoop)
{
    TUtilityWindow owner([](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); });
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"item");
    std::atomic<bool> inMenu{false};
    bool ranInMenu = false, destroyed = false;
    auto* thread = new TTestThread(
        [&](TTestThread& self) {
            // Wait until the main thread sits in the menu's own loop.
            while (!inMenu && !self.Terminated()) Sleep(10);
            self.Synchronize([&] {
                ranInMenu = inMenu;
                EndMenu();
            });
        },
        &destroyed);
    thread->FreeOnTerminate = true;
    // Closes the menu in case the call never arrives, so a failure cannot hang.
    SetTimer(owner.Handle(), 1, 15000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    SetForegroundWindow(owner.Handle());
    inMenu = true;
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 10, 10, owner.Handle(), nullptr);
    inMenu = false;
    KillTimer(owner.Handle(), 1);
    DestroyMenu(menu);
    thread->Terminate();
    EXPECT_TRUE(ranInMenu);
    EXPECT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
}

TEST_F(ThreadTest, TerminateReleasesAWorkerWaitingInSynchronize)
{
    bool ran = false, destroyed = false, ended = false;
    std::atomic<bool> returned{false};
    auto* thread = new TTestThread(
        [&](TTestThread& self) {
            SetEvent(FStarted);
            self.Synchronize([&] { ran = true; });
            returned = true;
        },
        &destroyed);
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](TObject*) { ended = true; };
    // The main thread serves no message while it waits, as during a shutdown.
    ASSERT_EQ(WaitForSingleObject(FStarted, 10000), WAIT_OBJECT_0);
    thread->Terminate();
    EXPECT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
    EXPECT_TRUE(returned);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(ran);
}

// The call lives on the worker's stack: a worker terminated while its call
// runs must wait until the call is done, and the call runs to its end.
TEST_F(ThreadTest, TerminatedWhileItsCallRunsTheWorkerWaitsForTheCall)
{
    TEvent left(true);
    bool leftDuringCall = true, finished = false, destroyed = false;
    auto* thread = new TTestThread(
        [&](TTestThread& self) {
            self.Synchronize([&] {
                self.Terminate();
                leftDuringCall = WaitForSingleObject(left.Handle(), 300) == WAIT_OBJECT_0;
                finished = true;
            });
            left.Set();
        },
        &destroyed);
    thread->FreeOnTerminate = true;
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
    EXPECT_FALSE(leftDuringCall);
    EXPECT_TRUE(finished);
}

TEST_F(ThreadTest, AnErrorRaisedInAHandOverIsShownAndEndsTheThread)
{
    TObject* shownFor = nullptr;
    std::string shown;
    Application->OnException = [&](TObject* sender, const std::exception& error) {
        shownFor = sender;
        shown = error.what();
    };
    bool destroyed = false, continued = false;
    auto* thread = new TTestThread(
        [&](TTestThread& self) {
            self.Synchronize([] { throw Exception(L"hand-over failed"); });
            continued = true;
        },
        &destroyed);
    thread->FreeOnTerminate = true;
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
    EXPECT_FALSE(continued);
    EXPECT_EQ(shownFor, thread);
    EXPECT_EQ(shown, "hand-over failed");
}

namespace {
// Always built in the same storage, as when the heap hands a freed block straight back.
class TSlotThread : public TTestThread {
public:
    using TTestThread::TTestThread;
    static void* operator new(size_t size)
    {
        static_assert(sizeof(TSlotThread) <= sizeof(FSlot));
        EXPECT_LE(size, sizeof(FSlot));
        return FSlot;
    }
    static void operator delete(void*) {}

private:
    alignas(16) static inline unsigned char FSlot[512];
};
}  // namespace

TEST_F(ThreadTest, AStaleEndNoticeNeverReachesALaterThreadAtTheSameAddress)
{
    auto* first = new TSlotThread([&](TTestThread&) { SetEvent(FStarted); });
    ASSERT_EQ(WaitForSingleObject(FStarted, 10000), WAIT_OBJECT_0);
    first->Free();  // its end notice still waits in the queue

    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool ended = false;
    auto* second = new TSlotThread([&](TTestThread&) { WaitForSingleObject(release, 10000); });
    ASSERT_EQ(static_cast<void*>(second), static_cast<void*>(first));
    second->OnTerminate = [&](TObject*) { ended = true; };
    PumpFor(100);
    EXPECT_FALSE(ended);
    SetEvent(release);
    EXPECT_TRUE(PumpUntil([&] { return ended; }, 10000));
    second->Free();
    CloseHandle(release);
}

// The worker may not even have reached Execute yet: Free must not let the
// members it is about to use go before it has stopped.
TEST_F(ThreadTest, FreeingARunningThreadAtOnceWaitsForItsWorker)
{
    for (int round = 0; round < 300; ++round) {
        bool destroyed = false;
        auto* thread = new TTestThread([](TTestThread& self) {
            while (!self.Terminated()) SwitchToThread();
        }, &destroyed);
        thread->Free();
        ASSERT_TRUE(destroyed) << round;
    }
}

// Inside its own hand-over the worker cannot be waited for, and inside its
// end notice the thread is still in use: either way it goes afterwards, once.
TEST_F(ThreadTest, FreeFromInsideTheThreadsOwnCallsHappensWhenTheyAreDone)
{
    for (const bool inHandOver : {true, false}) {
        SCOPED_TRACE(inHandOver ? "inside its Synchronize call" : "inside its OnTerminate");
        bool destroyed = false, ended = false;
        std::atomic<bool> workerWentOn{false};
        auto* thread = new TTestThread([&](TTestThread& self) {
            if (inHandOver) self.Synchronize([&] { self.Free(); });
            workerWentOn = self.Terminated();
        }, &destroyed);
        thread->FreeOnTerminate = !inHandOver;
        thread->OnTerminate = [&](TObject*) {
            ended = true;
            if (!inHandOver) thread->Free();
        };
        ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
        EXPECT_EQ(workerWentOn, inHandOver);
        // A thread freed by its owner reports no end; one freed in its end notice has reported it.
        EXPECT_EQ(ended, !inHandOver);
    }
}

// A handler that throws while it shows a thread's error has nowhere to go; the
// process must not end for it.
TEST_F(ThreadTest, AnExceptionHandlerThatThrowsEndsNothingButTheThread)
{
    int shown = 0;
    Application->OnException = [&](TObject*, const std::exception&) {
        ++shown;
        throw Exception(L"handler failed");
    };
    for (const bool inExecute : {true, false}) {
        SCOPED_TRACE(inExecute ? "error in Execute" : "error in OnTerminate");
        shown = 0;
        bool destroyed = false;
        auto* thread = new TTestThread([&](TTestThread&) {
            if (inExecute) throw Exception(L"worker failed");
        }, &destroyed);
        thread->FreeOnTerminate = true;
        thread->OnTerminate = [&](TObject*) {
            if (!inExecute) throw Exception(L"end notice failed");
        };
        ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 10000));
        EXPECT_EQ(shown, 1);
    }
}
