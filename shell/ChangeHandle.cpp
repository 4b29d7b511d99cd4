#include "shell/ChangeHandle.h"

#include "ui/Exceptions.h"

TChangeHandle::TChangeHandle(const std::wstring& directory, bool subtree, DWORD filter)
{
    HANDLE handle = FindFirstChangeNotificationW(directory.c_str(), subtree, filter);
    if (handle != INVALID_HANDLE_VALUE) FHandle = handle;
}

TChangeHandle& TChangeHandle::operator=(TChangeHandle&& other) noexcept
{
    if (this != &other) {
        if (FHandle) FindCloseChangeNotification(FHandle);
        FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
}

TChangeHandle::~TChangeHandle()
{
    if (FHandle) FindCloseChangeNotification(FHandle);
}

bool TChangeHandle::Rearm()
{
    if (FindNextChangeNotification(FHandle)) return true;
    const DWORD error = GetLastError();
    FindCloseChangeNotification(std::exchange(FHandle, nullptr));
    SetLastError(error);
    return false;
}

void TChangeHandle::Close()
{
    if (!FHandle) return;
    Win32Check(FindCloseChangeNotification(std::exchange(FHandle, nullptr)));
}

TChangeRelay::TChangeRelay(std::vector<TChangeHandle> handles, HANDLE signal)
    : FHandles(std::move(handles)), FSignal(signal), FThread([this] { Run(); })
{
}

TChangeRelay::~TChangeRelay()
{
    FQuit.Set();
    FThread.join();
}

void TChangeRelay::Run()
{
    std::vector<HANDLE> waits{FQuit.Handle()};
    for (const TChangeHandle& handle : FHandles) waits.push_back(handle.Get());
    for (;;) {
        const DWORD result = WaitForMultipleObjects(DWORD(waits.size()), waits.data(), FALSE, INFINITE);
        // Like its owner, a relay ends quietly on an OS error: its directories
        // then go unwatched while the rest are still served.
        if (result <= WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + waits.size()) return;
        if (!FHandles[result - WAIT_OBJECT_0 - 1].Rearm()) return;
        SetEvent(FSignal);
    }
}
