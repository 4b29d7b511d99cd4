#pragma once
// The pieces the change watchers wait on: one directory change handle, and a
// relay thread that waits on change handles beyond what a single wait holds.
#include <windows.h>

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
    TChangeHandle(TChangeHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
    TChangeHandle& operator=(TChangeHandle&& other) noexcept;
    ~TChangeHandle();

    explicit operator bool() const { return FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }
    // Waits for the next change. A handle that cannot be re-armed is closed
    // and false is answered, with the OS error kept for the caller.
    bool Rearm();
    // Raises EWin32Error when the close fails; the handle counts as closed either way.
    void Close();

private:
    HANDLE FHandle = nullptr;
};

// Watches change handles on its own thread and sets `signal` (an auto-reset
// event of the owner) for every change among them. It re-arms the handles
// itself, so to its owner the signal is one more change handle.
class TChangeRelay {
public:
    TChangeRelay(std::vector<TChangeHandle> handles, HANDLE signal);
    TChangeRelay(const TChangeRelay&) = delete;
    TChangeRelay& operator=(const TChangeRelay&) = delete;
    ~TChangeRelay();

    // What one relay can watch beside its own quit event.
    static constexpr size_t Capacity = MAXIMUM_WAIT_OBJECTS - 1;

private:
    void Run();

    std::vector<TChangeHandle> FHandles;
    HANDLE FSignal;
    TEvent FQuit{true};
    std::thread FThread;
};
