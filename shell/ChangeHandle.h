#pragma once
// The pieces the change watchers wait on: one directory change handle, a
// relay thread that waits on change handles beyond what a single wait holds,
// and the directory watcher's whole wait set.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ui/Thread.h"

// A handle from FindFirstChangeNotification, closed when it goes.
class TChangeHandle {
public:
    TChangeHandle() = default;
    // An empty handle when the directory cannot be opened for notification.
    TChangeHandle(const std::wstring& directory, bool subtree, DWORD filter);
    // Takes over a handle opened elsewhere.
    explicit TChangeHandle(HANDLE handle) noexcept : FHandle(handle) { ++FOpened; }
    TChangeHandle(TChangeHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
    TChangeHandle& operator=(TChangeHandle&& other) noexcept;
    ~TChangeHandle();

    explicit operator bool() const { return FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }
    // Whether a change waits on the handle now (without waiting for one).
    bool Signalled() const { return FHandle && WaitForSingleObject(FHandle, 0) == WAIT_OBJECT_0; }
    // Waits for the next change. A handle that cannot be re-armed is closed
    // and false is answered, with the OS error kept for the caller.
    bool Rearm();
    // Raises EWin32Error when the close fails; the handle counts as closed either way.
    void Close();

    // How many change handles the process has opened (or taken over) and
    // closed so far. A watcher's worker opens them on its own time; a test
    // waits on these to know that a worker now watches what it was given, or
    // has let go of it.
    static size_t OpenedCount() { return FOpened; }
    static size_t ClosedCount() { return FClosed; }

private:
    static BOOL Release(HANDLE handle);

    HANDLE FHandle = nullptr;
    static inline std::atomic<size_t> FOpened{0}, FClosed{0};
};

// Watches change handles on its own thread and sets `signal` (an auto-reset
// event of the owner) for every change among them. It re-arms the handles
// itself, so to its owner the signal is one more change handle. A handle that
// cannot be re-armed (its tree went away) or a failing wait stops the relay:
// it is then Broken, and it still sets the signal, so that the change that
// woke it is not lost and the owner rebuilds its handles.
class TChangeRelay {
public:
    TChangeRelay(std::vector<TChangeHandle> handles, HANDLE signal);
    TChangeRelay(const TChangeRelay&) = delete;
    TChangeRelay& operator=(const TChangeRelay&) = delete;
    ~TChangeRelay();

    // What one relay can watch beside its own quit event.
    static constexpr size_t Capacity = MAXIMUM_WAIT_OBJECTS - 1;

    bool Broken() const { return FBroken; }

private:
    void Run();

    std::vector<TChangeHandle> FHandles;
    HANDLE FSignal;
    std::atomic<bool> FBroken{false};
    TEvent FQuit{true};
    std::thread FThread;
};

// Waits for any of `handles`: the index of the one signalled, or
// WAIT_TIMEOUT. A failing wait raises the OS error.
DWORD WaitForAny(const std::vector<HANDLE>& handles, DWORD ms);

// The directory watcher's wait set: its three events, then its change
// handles. A single wait holds 64 handles; the handles beyond that are
// served by relay threads, which all signal one more slot of the set.
class TDirWaitSet {
public:
    static constexpr DWORD kStop = 0, kDevice = 1, kListChanged = 2;

    TDirWaitSet(HANDLE stop, HANDLE device, HANDLE listChanged) : FWaits{stop, device, listChanged} {}

    void Assign(std::vector<TChangeHandle> handles);
    // Closes every change handle, raising when a close fails.
    void Close();

    DWORD Wait(DWORD ms) const { return WaitForAny(FWaits, ms); }
    bool IsChange(DWORD slot) const { return slot > kListChanged && slot < FWaits.size(); }
    // Makes the change slot that woke the wait wait for the next change.
    // False when it cannot: a change handle that cannot be re-armed (it is
    // closed then), or a relay that has stopped. The set must then be built
    // again before the next wait.
    bool Rearm(DWORD slot);

private:
    std::vector<HANDLE> FWaits;
    size_t FFirstDirect = 0;
    std::vector<TChangeHandle> FDirect;
    TEvent FRelaySignal{false};
    std::vector<std::unique_ptr<TChangeRelay>> FRelays;
};
