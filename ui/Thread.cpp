#include "ui/Thread.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/UtilityWindow.h"

namespace {
constexpr UINT kSyncMessage = WM_APP + 1;  // calls are waiting in the queue
constexpr UINT kEndMessage = WM_APP + 2;   // lParam: the TThread whose Execute returned

// One Synchronize in flight; it lives on the waiting worker's stack.
struct TSyncCall {
    const std::function<void()>* method;
    std::exception_ptr error;
    bool taken = false;  // the main thread has begun to run it
    bool done = false;
};
}  // namespace

// The main thread's end of the hand-over: a queue of waiting calls and a
// hidden window whose messages make the main thread run them.
class TSyncWindow {
public:
    TSyncWindow()
        : FWindow([this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return WindowProc(w, m, wp, lp); })
    {
    }

    static TSyncWindow& Instance()
    {
        static TSyncWindow instance;  // first used on the main thread, by a TThread constructor
        return instance;
    }

    // Worker side: false when the thread was terminated before the call ran.
    bool Call(TThread* thread, TSyncCall& call)
    {
        std::unique_lock lock(FMutex);
        FQueue.push_back(&call);
        PostMessageW(FWindow.Handle(), kSyncMessage, 0, 0);
        FChanged.wait(lock, [&] { return call.done || (!call.taken && thread->Terminated()); });
        if (call.done) return true;
        FQueue.erase(std::find(FQueue.begin(), FQueue.end(), &call));
        return false;
    }

    // Wakes the waiting workers so that a terminated one can give up.
    void WakeWaiters()
    {
        std::lock_guard lock(FMutex);
        FChanged.notify_all();
    }

    void PostEnd(TThread* thread) { PostMessageW(FWindow.Handle(), kEndMessage, 0, LPARAM(thread)); }

    // Main thread only: the threads that may still post their end.
    std::set<TThread*> Live;

private:
    LRESULT WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case kSyncMessage:
            RunWaitingCalls();
            return 0;
        case kEndMessage:
            ThreadEnded(reinterpret_cast<TThread*>(lParam));
            return 0;
        }
        return DefWindowProcW(wnd, message, wParam, lParam);
    }

    void RunWaitingCalls()
    {
        for (;;) {
            TSyncCall* call;
            {
                std::lock_guard lock(FMutex);
                auto next = std::find_if(FQueue.begin(), FQueue.end(), [](TSyncCall* c) { return !c->taken; });
                if (next == FQueue.end()) return;
                call = *next;
                call->taken = true;
            }
            try {
                (*call->method)();
            } catch (...) {
                call->error = std::current_exception();
            }
            std::lock_guard lock(FMutex);
            FQueue.erase(std::find(FQueue.begin(), FQueue.end(), call));
            call->done = true;
            FChanged.notify_all();
        }
    }

    void ThreadEnded(TThread* thread)
    {
        // A thread deleted by its owner before its end arrived is gone.
        if (Live.erase(thread)) thread->Ended();
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<TSyncCall*> FQueue;
    TUtilityWindow FWindow;
};

TEvent::TEvent(bool manualReset) : FHandle(CreateEventW(nullptr, manualReset, FALSE, nullptr))
{
    Win32Check(FHandle != nullptr);
}

TThread::TThread()
{
    TSyncWindow::Instance().Live.insert(this);
}

TThread::~TThread()
{
    TSyncWindow::Instance().Live.erase(this);
    if (!FHandle) return;
    Terminate();
    WaitForSingleObject(FHandle, INFINITE);
    CloseHandle(FHandle);
}

void TThread::Start()
{
    FHandle = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    Win32Check(FHandle != nullptr);
}

void TThread::Terminate()
{
    FTerminated = true;
    TSyncWindow::Instance().WakeWaiters();
}

void TThread::Synchronize(const std::function<void()>& method)
{
    if (Terminated()) return;
    TSyncCall call{&method};
    if (TSyncWindow::Instance().Call(this, call) && call.error) std::rethrow_exception(call.error);
}

DWORD WINAPI TThread::ThreadProc(void* param)
{
    auto* self = static_cast<TThread*>(param);
    try {
        self->Execute();
    } catch (...) {
        auto error = std::current_exception();
        self->Synchronize([&] {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                Application->HandleException(self);
            }
        });
    }
    // From here on the main thread owns the object; the worker touches it no more.
    TSyncWindow::Instance().PostEnd(self);
    return 0;
}

// Main thread: Execute has returned.
void TThread::Ended()
{
    const bool freeIt = FreeOnTerminate;
    if (OnTerminate) {
        try {
            OnTerminate(this);
        } catch (...) {
            Application->HandleException(this);
        }
    }
    if (freeIt) delete this;
}
