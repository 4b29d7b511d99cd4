#pragma once
// A worker thread. Execute runs on its own thread; everything that touches a
// window or the main thread's data goes through Synchronize, which blocks the
// worker until the main thread has run the call. The main thread serves those
// calls from a hidden window's messages, so any loop that dispatches messages
// serves them too: the application's loop, a menu, a dialog, a drag.
//
// What an owner may do, always on the main thread:
// - Create it with new. A descendant calls Start() as the last step of its
//   constructor, so the worker never sees a half-built object.
// - Set OnTerminate and FreeOnTerminate at any time before the end notice.
//   The end notice runs OnTerminate on the main thread after Execute has
//   returned; with FreeOnTerminate the thread is deleted right after it.
// - Terminate() at any time: Terminated turns true, the descendant's
//   TerminatedSet wakes a worker that waits on its own events, and a
//   Synchronize that waits gives up without running its call.
// - Free() to be done with it, at any time and from anywhere on the main
//   thread, even inside its own Synchronize call or its OnTerminate. It
//   terminates the thread, waits for the worker (so Execute must look at
//   Terminated, or be woken by TerminatedSet) and deletes the object; the
//   end notice is not run after it. Where the worker cannot be waited for
//   (inside its own Synchronize call) or the end notice is running, the
//   deletion happens when the end notice would have run.
// - Never delete it: destructors are protected, so that the worker has always
//   stopped before any descendant's members go. Descendants keep theirs so.
// - Not Free() a FreeOnTerminate thread after its end notice: it is gone.
#include <windows.h>

#include <atomic>
#include <cstdint>
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

    // Ends the thread and deletes it (see the rules above).
    void Free();

    // Asks the thread to end; safe from any thread.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Called on the worker: runs `method` on the main thread and returns when
    // it has run; an error it raises is raised again here. Does nothing once
    // Terminated.
    void Synchronize(const std::function<void()>& method);

    bool FreeOnTerminate = false;
    TNotifyEvent OnTerminate;

protected:
    // The worker has ended when this runs: only Free and the end notice get here.
    ~TThread() override;

    void Start();
    // Errors that escape Execute are shown through the application's
    // exception handler (on the main thread), then the thread ends.
    virtual void Execute() = 0;
    // Called by Terminate, on the calling thread: a worker that waits on
    // events of its own is woken here.
    virtual void TerminatedSet() {}

private:
    friend class TSyncWindow;
    static DWORD WINAPI ThreadProc(void* param);
    void Ended();

    // Names this thread in its end notice; never used again by a later one.
    const uint64_t FSerial;
    HANDLE FHandle = nullptr;
    std::atomic<bool> FTerminated{false};
    int FServing = 0;      // main thread: calls of this thread that it is running now
    bool FEnding = false;  // main thread: the end notice is running
};
