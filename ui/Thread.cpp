#include "ui/Thread.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/UtilityWindow.h"

namespace {
constexpr UINT kSyncMessage = WM_APP + 1;  // calls are waiting in the queue
constexpr UINT kEndMessage = WM_APP + 2;   // wParam: the serial of the thread whose Execute returned

// One Synchronize in flight; it lives on the waiting worker's stack.
struct TSyncCall {
    TThread* thread;
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
        // First used on the main thread, by a TThread constructor. Never
        // destroyed: a thread that outlives main (a watcher stopped at exit)
        // may still post to it while the process unwinds.
        static TSyncWindow* instance = new TSyncWindow;
        return *instance;
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

    void PostEnd(uint64_t serial) { PostMessageW(FWindow.Handle(), kEndMessage, WPARAM(serial), 0); }

    // Main thread only: the threads that may still post their end, by serial.
    // A serial rather than the address, which the heap may give a later thread.
    std::unordered_map<uint64_t, TThread*> Live;
    uint64_t LastSerial = 0;

private:
    LRESULT WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case kSyncMessage:
            RunWaitingCalls();
            return 0;
        case kEndMessage:
            ThreadEnded(uint64_t(wParam));
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
                // A terminated thread's call is never started, even if its worker has not yet woken to withdraw it.
                auto next = std::find_if(FQueue.begin(), FQueue.end(),
                                         [](TSyncCall* c) { return !c->taken && !c->thread->Terminated(); });
                if (next == FQueue.end()) return;
                call = *next;
                call->taken = true;
            }
            // The worker waits for this call, so the thread lives until it is done;
            // a Free inside it is put off until the end notice.
            ++call->thread->FServing;
            try {
                (*call->method)();
            } catch (...) {
                call->error = std::current_exception();
            }
            --call->thread->FServing;
            std::lock_guard lock(FMutex);
            FQueue.erase(std::find(FQueue.begin(), FQueue.end(), call));
            call->done = true;
            FChanged.notify_all();
        }
    }

    void ThreadEnded(uint64_t serial)
    {
        // A thread freed by its owner before its end arrived is gone.
        auto found = Live.find(serial);
        if (found == Live.end()) return;
        TThread* thread = found->second;
        Live.erase(found);
        thread->Ended();
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<TSyncCall*> FQueue;
    TUtilityWindow FWindow;
};

namespace {
// Shows an error of a thread through the application's handler. A handler
// that fails in turn has nowhere left to report to: its error is dropped
// rather than let out of a worker or a window procedure.
void ShowThreadError(TObject* sender, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (...) {
        try {
            if (Application) Application->HandleException(sender);
        } catch (...) {
        }
    }
}
}  // namespace

TEvent::TEvent(bool manualReset) : FHandle(CreateEventW(nullptr, manualReset, FALSE, nullptr))
{
    Win32Check(FHandle != nullptr);
}

TThread::TThread() : FSerial(++TSyncWindow::Instance().LastSerial)
{
    TSyncWindow::Instance().Live.emplace(FSerial, this);
}

TThread::~TThread()
{
    TSyncWindow::Instance().Live.erase(FSerial);
    if (!FHandle) return;
    // Free and the end notice come after Execute has returned; this waits
    // for the worker to leave ThreadProc (and, should a descendant have made
    // its destructor public after all, for a worker still running).
    Terminate();
    WaitForSingleObject(FHandle, INFINITE);
    CloseHandle(FHandle);
}

void TThread::Free()
{
    if (FServing > 0 || FEnding) {
        // Its worker waits for the call that runs now, or Ended still runs:
        // the object goes when the end notice comes, and nobody hears of it.
        OnTerminate = nullptr;
        FreeOnTerminate = true;
        Terminate();
        return;
    }
    TSyncWindow::Instance().Live.erase(FSerial);
    if (FHandle) {
        Terminate();
        WaitForSingleObject(FHandle, INFINITE);
    }
    delete this;
}

void TThread::Start()
{
    FHandle = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    Win32Check(FHandle != nullptr);
}

void TThread::Terminate()
{
    FTerminated = true;
    TerminatedSet();
    TSyncWindow::Instance().WakeWaiters();
}

void TThread::Synchronize(const std::function<void()>& method)
{
    if (Terminated()) return;
    TSyncCall call{this, &method};
    if (TSyncWindow::Instance().Call(this, call) && call.error) std::rethrow_exception(call.error);
}

DWORD WINAPI TThread::ThreadProc(void* param)
{
    auto* self = static_cast<TThread*>(param);
    try {
        self->Execute();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        try {
            self->Synchronize([&] { ShowThreadError(self, error); });
        } catch (...) {
        }
    }
    // From here on the main thread owns the object; the worker touches it no more.
    TSyncWindow::Instance().PostEnd(self->FSerial);
    return 0;
}

// Main thread: Execute has returned.
void TThread::Ended()
{
    // The handler may Free the thread, which clears OnTerminate: it runs from a copy.
    const TNotifyEvent handler = std::move(OnTerminate);
    if (handler) {
        FEnding = true;
        try {
            handler(this);
        } catch (...) {
            ShowThreadError(this, std::current_exception());
        }
        FEnding = false;
    }
    if (FreeOnTerminate) delete this;
}
