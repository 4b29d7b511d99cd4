#include "shell/ShellNotify.h"

#include <algorithm>

#include "shell/ChangeHandle.h"
#include "shell/ShellUtils.h"
#include "ui/Exceptions.h"

namespace {
// The watched set as a tree view means it: existing directories, each with
// one trailing backslash, in one order, each once (the file system ignores case).
std::vector<std::wstring> NormalisedDirectories(const std::vector<std::wstring>& directories)
{
    std::vector<std::wstring> result;
    for (const std::wstring& directory : directories)
        if (IsExistingDirectory(directory)) result.push_back(IncludeBackslash(directory));
    auto compare = [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE);
    };
    std::sort(result.begin(), result.end(),
              [&](const std::wstring& a, const std::wstring& b) { return compare(a, b) == CSTR_LESS_THAN; });
    result.erase(std::unique(result.begin(), result.end(),
                             [&](const std::wstring& a, const std::wstring& b) { return compare(a, b) == CSTR_EQUAL; }),
                 result.end());
    return result;
}
}  // namespace

// ---------------------------------------------------------------------------

TShDirWatcher::TShDirWatcher(const std::vector<std::wstring>* directories, DWORD notifyFilter,
                             TDeviceChangeEvent onDeviceChange, TNotifyEvent onDirChange, DWORD settleMs,
                             DWORD deviceSettleMs)
    : OnDeviceChange(std::move(onDeviceChange)),
      OnDirChange(std::move(onDirChange)),
      FNotifyFilter(notifyFilter),
      FSettleMs(settleMs),
      FDeviceSettleMs(deviceSettleMs)
{
    if (directories) FDirectories = NormalisedDirectories(*directories);
    FreeOnTerminate = true;
    Start();
}

void TShDirWatcher::SetDirectories(const std::vector<std::wstring>* directories)
{
    std::lock_guard lock(FLock);
    if (directories) {
        std::vector<std::wstring> wanted = NormalisedDirectories(*directories);
        if (wanted == FDirectories) return;
        FDirectories = std::move(wanted);
    } else {
        FDirectories.clear();
    }
    FListChangedEvent.Set();
}

std::vector<std::wstring> TShDirWatcher::Directories() const
{
    std::lock_guard lock(FLock);
    return FDirectories;
}

void TShDirWatcher::QueueDeviceChange(std::unique_ptr<TDeviceChangeData> record)
{
    if (!OnDeviceChange) return;
    FPendingDevice = std::move(record);
    FDeviceEvent.Set();
}

void TShDirWatcher::StopWatching()
{
    OnDeviceChange = nullptr;
    OnDirChange = nullptr;
    Terminate();
    FStopEvent.Set();
}

void TShDirWatcher::Execute()
{
    try {
        Serve();
    } catch (const EWin32Error&) {
        // The watcher ends quietly; its owner just hears of no more changes.
    }
}

void TShDirWatcher::Serve()
{
    TDirWaitSet waits(FStopEvent.Handle(), FDeviceEvent.Handle(), FListChangedEvent.Handle());
    auto open = [&] {
        std::vector<TChangeHandle> handles;
        std::lock_guard lock(FLock);
        for (size_t i = FDirectories.size(); i-- > 0;) {
            TChangeHandle handle(FDirectories[i], true, FNotifyFilter);
            if (handle) handles.push_back(std::move(handle));
            else FDirectories.erase(FDirectories.begin() + i);
        }
        waits.Assign(std::move(handles));
    };
    open();
    // A change waits for its quiet time; a record or a new set that comes
    // meanwhile is served first, and the change is still reported after it.
    bool changed = false;
    for (;;) {
        const DWORD slot = waits.Wait(changed ? FSettleMs : INFINITE);
        switch (slot) {
        case TDirWaitSet::kStop:
            waits.Close();
            return;
        case TDirWaitSet::kDevice:
            HandOverDevice();
            break;
        case TDirWaitSet::kListChanged:
            waits.Close();
            open();
            break;
        case WAIT_TIMEOUT:
            changed = false;
            Synchronize([this] {
                if (OnDirChange) OnDirChange(this);
            });
            break;
        default:
            // Every further change starts the quiet time again.
            waits.Rearm(slot);
            changed = true;
        }
    }
}

void TShDirWatcher::HandOverDevice()
{
    // A stop ends the quiet time at once; the main loop then sees it, since it stays set.
    const std::vector<HANDLE> waits{FStopEvent.Handle(), FDeviceEvent.Handle()};
    for (;;) {
        const DWORD slot = WaitForAny(waits, FDeviceSettleMs);
        if (slot == 0) return;
        if (slot == WAIT_TIMEOUT) break;
    }
    Synchronize([this] {
        std::unique_ptr<TDeviceChangeData> record = std::move(FPendingDevice);
        if (record && OnDeviceChange) OnDeviceChange(this, std::move(record));
    });
}

// ---------------------------------------------------------------------------

namespace {
// How often an idle files watcher makes sure its directory still exists.
// Windows signals a removed directory on its change handle; under Wine the
// handle keeps the directory in place without a signal, so there it is
// looked for (the check closes the handle for a moment).
constexpr DWORD kPresenceCheckMs = 1000;

DWORD PresenceCheckInterval()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine ? kPresenceCheckMs : INFINITE;
}
}  // namespace

// The handle on the watched directory, and the path it was opened for.
class TShFilesWatcher::TWatch {
public:
    std::wstring Path;
    TChangeHandle Directory;

    bool Gone() const { return !IsExistingDirectory(Path); }
};

enum class TShFilesWatcher::TWake { Stop, PathChanged, Directory, Timeout };

TShFilesWatcher::TShFilesWatcher(std::wstring path, DWORD notifyFilter, TPathChangeEvent onChange,
                                 DWORD settleMs)
    : OnChange(std::move(onChange)), FPath(std::move(path)), FNotifyFilter(notifyFilter), FSettleMs(settleMs)
{
    FreeOnTerminate = true;
    Start();
}

void TShFilesWatcher::SetPath(const std::wstring& path)
{
    std::lock_guard lock(FLock);
    if (path == FPath) return;
    FPath = IsExistingDirectory(path) ? path : std::wstring();
    FPathChangedEvent.Set();
}

std::wstring TShFilesWatcher::CurrentPath() const
{
    std::lock_guard lock(FLock);
    return FPath;
}

void TShFilesWatcher::StopWatching()
{
    OnChange = nullptr;
    Terminate();
    FStopEvent.Set();
}

void TShFilesWatcher::Execute()
{
    try {
        TWatch watch;
        Reopen(watch);
        while (Serve(watch, Wait(watch, watch.Directory ? PresenceCheckInterval() : INFINITE))) {
        }
    } catch (const EWin32Error&) {
        // The watcher ends quietly; its owner just hears of no more changes.
    }
}

void TShFilesWatcher::Reopen(TWatch& watch)
{
    watch.Directory.Close();
    watch.Path = CurrentPath();
    if (!watch.Gone()) watch.Directory = TChangeHandle(watch.Path, false, FNotifyFilter);
}

TShFilesWatcher::TWake TShFilesWatcher::Wait(const TWatch& watch, DWORD ms) const
{
    std::vector<HANDLE> handles{FStopEvent.Handle(), FPathChangedEvent.Handle()};
    if (watch.Directory) handles.push_back(watch.Directory.Get());
    const DWORD slot = WaitForAny(handles, ms);
    if (slot == WAIT_TIMEOUT) return TWake::Timeout;
    return slot == 0 ? TWake::Stop : slot == 1 ? TWake::PathChanged : TWake::Directory;
}

// Whether the watched directory was removed; the handle is closed to look.
bool TShFilesWatcher::DirectoryLost(TWatch& watch)
{
    watch.Directory.Close();
    return watch.Gone();
}

void TShFilesWatcher::Report()
{
    Synchronize([this] {
        if (OnChange) OnChange(this, CurrentPath());
    });
}

// Serves one wake of the idle wait, with the quiet time that a change starts;
// false when the watcher is to end.
bool TShFilesWatcher::Serve(TWatch& watch, TWake wake)
{
    bool settling = false;
    for (;;) {
        switch (wake) {
        case TWake::Stop:
            watch.Directory.Close();
            return false;
        case TWake::PathChanged:
            Reopen(watch);
            return true;
        case TWake::Timeout: {
            // The quiet time after a change has passed, or the idle wait's presence check is due.
            const bool changed = settling || DirectoryLost(watch);
            // The fresh handle comes before the hand-over, so that a change made
            // while the owner reads the directory is reported in its turn.
            Reopen(watch);
            if (changed) Report();
            return true;
        }
        case TWake::Directory:
            // A failing re-arm counts as a new path, unless the directory went away: that is news.
            if (!watch.Directory.Rearm() && !watch.Gone()) {
                Reopen(watch);
                return true;
            }
            settling = true;
        }
        wake = Wait(watch, FSettleMs);
    }
}
