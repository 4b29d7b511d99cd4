#pragma once
// A worker thread. Execute runs on its own thread; everything that touches a
// window or the main thread's data goes through Synchronize, which blocks the
// worker until the main thread has run the call. The main thread serves those
// calls from a hidden window's messages, so any loop that dispatches messages
// serves them too: the application's loop, a menu, a dialog, a drag.
//
// A descendant calls Start() as the last step of its constructor, so the
// worker never sees a half-built object. The end notification OnTerminate
// runs on the main thread after Execute has returned; with FreeOnTerminate the
// object is deleted right after it. Both may be set on the main thread at any
// time before the end notification runs.
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "ui/Component.h"

// A Win32 event object owned for its lifetime; threads wait on Handle().
class TEvent {
public:
    explicit TEvent(bool manualReset);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;
    ~TEvent() { CloseHandle(FHandle); }

    HANDLE Handle() const { return FHandle; }
    void Set() { SetEvent(FHandle); }

private:
    HANDLE FHandle;
};

class TThread : public TObject {
public:
    // Must be created on the main thread, which is the thread that serves
    // Synchronize and runs OnTerminate.
    TThread();
    // Deleting a thread that still runs tells it to terminate and waits for it.
    ~TThread() override;

    // Asks the thread to end: Terminated turns true and a Synchronize that
    // waits for the main thread gives up without running its call, so a
    // shutdown never waits on a main thread that is not serving calls.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Called on the worker: runs `method` on the main thread and returns when
    // it has run; an error it raises is raised again here. Does nothing once
    // Terminated.
    void Synchronize(const std::function<void()>& method);

    bool FreeOnTerminate = false;
    TNotifyEvent OnTerminate;

protected:
    void Start();
    // Errors that escape Execute are shown through the application's
    // exception handler (on the main thread), then the thread ends.
    virtual void Execute() = 0;

private:
    friend class TSyncWindow;
    static DWORD WINAPI ThreadProc(void* param);
    void Ended();

    HANDLE FHandle = nullptr;
    std::atomic<bool> FTerminated{false};
};
