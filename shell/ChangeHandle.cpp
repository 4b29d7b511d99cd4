#include "shell/ChangeHandle.h"

#include <algorithm>

#include "ui/Exceptions.h"

TChangeHandle::TChangeHandle(const std::wstring& directory, bool subtree, DWORD filter)
{
    HANDLE handle = FindFirstChangeNotificationW(directory.c_str(), subtree, filter);
    if (handle == INVALID_HANDLE_VALUE) return;
    FHandle = handle;
    ++FOpened;
}

BOOL TChangeHandle::Release(HANDLE handle)
{
    const BOOL closed = FindCloseChangeNotification(handle);
    ++FClosed;
    return closed;
}

TChangeHandle& TChangeHandle::operator=(TChangeHandle&& other) noexcept
{
    if (this != &other) {
        if (FHandle) Release(FHandle);
        FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
}

TChangeHandle::~TChangeHandle()
{
    if (FHandle) Release(FHandle);
}

bool TChangeHandle::Rearm()
{
    if (FindNextChangeNotification(FHandle)) return true;
    const DWORD error = GetLastError();
    Release(std::exchange(FHandle, nullptr));
    SetLastError(error);
    return false;
}

void TChangeHandle::Close()
{
    if (!FHandle) return;
    Win32Check(Release(std::exchange(FHandle, nullptr)));
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
        const DWORD slot = result - WAIT_OBJECT_0;
        if (slot == 0) return;
        const bool failed = slot >= waits.size() || !FHandles[slot - 1].Rearm();
        if (failed) FBroken = true;
        SetEvent(FSignal);
        if (failed) return;
    }
}

DWORD WaitForAny(const std::vector<HANDLE>& handles, DWORD ms)
{
    const DWORD result = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE, ms);
    if (result == WAIT_TIMEOUT) return result;
    if (result >= WAIT_OBJECT_0 + handles.size()) RaiseLastOSError();
    return result - WAIT_OBJECT_0;
}

void TDirWaitSet::Assign(std::vector<TChangeHandle> handles)
{
    const size_t room = MAXIMUM_WAIT_OBJECTS - FWaits.size();
    if (handles.size() > room) {
        // One slot goes to the relays' signal; they take what the rest cannot hold.
        FWaits.push_back(FRelaySignal.Handle());
        const size_t direct = room - 1;
        for (auto first = handles.begin() + direct; first != handles.end();) {
            auto last = first + std::min<size_t>(TChangeRelay::Capacity, handles.end() - first);
            FRelays.push_back(std::make_unique<TChangeRelay>(
                std::vector<TChangeHandle>(std::make_move_iterator(first), std::make_move_iterator(last)),
                FRelaySignal.Handle()));
            first = last;
        }
        handles.resize(direct);
    }
    FFirstDirect = FWaits.size();
    for (const TChangeHandle& handle : handles) FWaits.push_back(handle.Get());
    FDirect = std::move(handles);
}

void TDirWaitSet::Close()
{
    FRelays.clear();
    FWaits.resize(kListChanged + 1);
    std::vector<TChangeHandle> direct = std::move(FDirect);
    for (TChangeHandle& handle : direct) handle.Close();
}

bool TDirWaitSet::Rearm(DWORD slot)
{
    // A relay's signal resets itself; a change handle must be asked for the next change.
    if (slot < FFirstDirect)
        return std::none_of(FRelays.begin(), FRelays.end(), [](const auto& relay) { return relay->Broken(); });
    return FDirect[slot - FFirstDirect].Rearm();
}
