#include "shell/ShellNotify.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>

#include "shell/ChangeHandle.h"
#include "shell/ShellUtils.h"
#include "ui/Application.h"
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

// The quiet time of a burst of changes: it ends when the settle time passes
// without a further change, and at the latest MaxSettleRounds settle times
// after the burst's first change.
class TQuietTime {
public:
    explicit TQuietTime(DWORD settleMs) : FSettleMs(settleMs) {}

    void Changed()
    {
        if (!FPending) FLatest = GetTickCount64() + ULONGLONG(MaxSettleRounds) * FSettleMs;
        FPending = true;
    }
    void Reset() { FPending = false; }
    bool Pending() const { return FPending; }
    // How long to wait for a further change: forever while nothing is pending.
    DWORD WaitMs() const
    {
        if (!FPending) return INFINITE;
        const ULONGLONG now = GetTickCount64();
        return now >= FLatest ? 0 : DWORD(std::min<ULONGLONG>(FSettleMs, FLatest - now));
    }

private:
    DWORD FSettleMs;
    bool FPending = false;
    ULONGLONG FLatest = 0;
};
}  // namespace

void FollowReport(TObject* owner, const std::function<void()>& follow)
{
    try {
        follow();
    } catch (...) {
        if (Application) Application->HandleException(owner);
    }
}

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
}

void TShDirWatcher::TerminatedSet()
{
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

void TShDirWatcher::Open(TDirWaitSet& waits)
{
    // Opened outside the lock: on a slow or network path that takes seconds,
    // and the main thread must not wait for it in SetDirectories.
    const std::vector<std::wstring> directories = Directories();
    std::vector<TChangeHandle> handles;
    std::vector<std::wstring> failed;
    for (auto directory = directories.rbegin(); directory != directories.rend(); ++directory) {
        TChangeHandle handle(*directory, true, FNotifyFilter);
        if (handle) handles.push_back(std::move(handle));
        else failed.push_back(*directory);
    }
    if (!failed.empty()) {
        std::lock_guard lock(FLock);
        // A set replaced meanwhile is left alone: its own rebuild is on the way.
        if (FDirectories == directories)
            std::erase_if(FDirectories, [&](const std::wstring& directory) {
                return std::find(failed.begin(), failed.end(), directory) != failed.end();
            });
    }
    waits.Assign(std::move(handles));
}

void TShDirWatcher::Serve()
{
    TDirWaitSet waits(FStopEvent.Handle(), FDeviceEvent.Handle(), FListChangedEvent.Handle());
    Open(waits);
    // A change waits for its quiet time; a record or a new set that comes
    // meanwhile is served first, and the change is still reported after it.
    TQuietTime quiet(FSettleMs);
    for (;;) {
        const DWORD slot = waits.Wait(quiet.WaitMs());
        switch (slot) {
        case TDirWaitSet::kStop:
            waits.Close();
            return;
        case TDirWaitSet::kDevice:
            HandOverDevice();
            break;
        case TDirWaitSet::kListChanged:
            waits.Close();
            Open(waits);
            break;
        case WAIT_TIMEOUT:
            quiet.Reset();
            Synchronize([this] {
                if (const TNotifyEvent handler = OnDirChange) handler(this);
            });
            break;
        default:
            // A handle that can wait for no more (its tree went away) goes
            // with a rebuild of the set; the rest are watched on, and the
            // change that woke it is reported all the same.
            if (!waits.Rearm(slot)) {
                waits.Close();
                Open(waits);
            }
            quiet.Changed();
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
        // A copy: the handler may stop the watcher, which clears OnDeviceChange.
        if (const TDeviceChangeEvent handler = OnDeviceChange; record && handler) handler(this, std::move(record));
    });
}

// ---------------------------------------------------------------------------

namespace {
// How often an idle files watcher makes sure its directory still exists.
// Windows signals a removed directory on its change handle; under Wine the
// handle keeps the directory in place without a signal, so there it is
// looked for (the check closes the handle for a moment, but only on a
// directory without entries: nothing else can be removed).
constexpr DWORD kPresenceCheckMs = 1000;
// A last-write time this old is exact: the next change gets another one,
// even on file systems that keep times in steps of two seconds.
constexpr ULONGLONG kExactStampTicks = 3 * 10'000'000ULL;
// The longest a check waits for the other watchers to let go of their handles.
constexpr DWORD kLetGoMs = 20;

ULONGLONG Ticks(const FILETIME& time)
{
    return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
}

bool HasEntries(const std::wstring& directory)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(LongPathForm(IncludeBackslash(directory) + L"*").c_str(), FindExInfoBasic,
                                         &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do {
        any = wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0;
    } while (!any && FindNextFileW(find, &data));
    FindClose(find);
    return any;
}

bool UnderWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// Under Wine a removed directory stays, to every look, while any handle on it
// is open, and a listing watches its folder with two watchers. So the files
// watchers of the process look together: their checks fall on the same ticks
// of the clock, and each check waits until every watcher has let go of its
// handle (or a moment has passed: one that is settling keeps its handle).
class TPresenceChecks {
public:
    static TPresenceChecks& Instance()
    {
        // Never destroyed: a stopped watcher may still run while the process ends.
        static auto* instance = new TPresenceChecks;
        return *instance;
    }

    // How long an idle watcher waits for its next check.
    static DWORD UntilNext()
    {
        if (!UnderWine()) return INFINITE;
        return DWORD(kPresenceCheckMs - GetTickCount64() % kPresenceCheckMs);
    }

    void Opened()
    {
        std::lock_guard lock(FLock);
        ++FHolders;
    }
    // A watcher closed its handle; for a check, it waits for the others too.
    void Closed(bool forCheck)
    {
        std::unique_lock lock(FLock);
        const uint64_t round = FRound;
        if (--FHolders == 0) {
            ++FRound;
            FAllClosed.notify_all();
        } else if (forCheck) {
            FAllClosed.wait_for(lock, std::chrono::milliseconds(kLetGoMs), [&] { return FRound != round; });
        }
    }

private:
    std::mutex FLock;
    std::condition_variable FAllClosed;
    int FHolders = 0;     // files watchers that hold a change handle now
    uint64_t FRound = 0;  // counts the moments when none did
};
}  // namespace

// The handle on the watched directory, and the path it was opened for; the
// presence checks count the handles of all watchers.
class TShFilesWatcher::TWatch {
public:
    TWatch() = default;
    TWatch(const TWatch&) = delete;
    TWatch& operator=(const TWatch&) = delete;
    ~TWatch()
    {
        if (FDirectory) TPresenceChecks::Instance().Closed(false);
    }

    const std::wstring& Path() const { return FPath; }
    bool Watching() const { return bool(FDirectory); }
    HANDLE Handle() const { return FDirectory.Get(); }
    bool Signalled() const { return FDirectory.Signalled(); }
    bool Gone() const { return !IsExistingDirectory(FPath); }
    // Whether the directory still holds an entry: then it cannot have been
    // removed. Under Wine a look at the entries reads the whole directory,
    // so one seen full is trusted while its last-write time stays put.
    bool HoldsEntries()
    {
        const ULONGLONG written = LastWriteTicks(FPath);
        if (written == 0) return false;
        if (written == FFullAt) return true;
        const bool holds = HasEntries(FPath);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        FFullAt = holds && Ticks(now) > written + kExactStampTicks ? written : 0;
        return holds;
    }

    void Open(std::wstring path, DWORD filter)
    {
        Close();
        FPath = std::move(path);
        FFullAt = 0;
        if (Gone()) return;
        FDirectory = TChangeHandle(FPath, false, filter);
        if (FDirectory) TPresenceChecks::Instance().Opened();
    }
    // Raises when the close fails; the handle counts as closed either way.
    void Close(bool forCheck = false)
    {
        if (!FDirectory) return;
        try {
            FDirectory.Close();
        } catch (...) {
            TPresenceChecks::Instance().Closed(false);
            throw;
        }
        TPresenceChecks::Instance().Closed(forCheck);
    }
    bool Rearm()
    {
        if (FDirectory.Rearm()) return true;
        TPresenceChecks::Instance().Closed(false);  // closed by the failed re-arm
        return false;
    }

private:
    std::wstring FPath;
    TChangeHandle FDirectory;
    ULONGLONG FFullAt = 0;  // the last-write time at which the directory was seen holding entries
};

enum class TShFilesWatcher::TWake { Stop, PathChanged, Nudged, Directory, Timeout };

TShFilesWatcher::TShFilesWatcher(std::wstring path, DWORD notifyFilter, TPathChangeEvent onChange,
                                 DWORD settleMs)
    : OnChange(std::move(onChange)), FPath(std::move(path)), FNotifyFilter(notifyFilter), FSettleMs(settleMs)
{
    FreeOnTerminate = true;
    Start();
}

void TShFilesWatcher::SetPath(const std::wstring& path, ULONGLONG unchangedSince, bool ownChanges)
{
    std::lock_guard lock(FLock);
    if (path == FPath && (FWatching || path.empty())) return;
    const bool exists = IsExistingDirectory(path);
    FPath = exists ? path : std::wstring();
    FMissingPath = exists ? std::wstring() : path;
    FUnchangedSince = exists ? unchangedSince : 0;
    FOwnChanges = exists && ownChanges;
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
}

void TShFilesWatcher::TerminatedSet()
{
    FStopEvent.Set();
}

void TShFilesWatcher::Execute()
{
    try {
        TWatch watch;
        ReopenTellingLoss(watch);
        while (Serve(watch, Wait(watch, watch.Watching() ? TPresenceChecks::UntilNext() : INFINITE))) {
        }
    } catch (const EWin32Error&) {
        // The watcher ends quietly; its owner just hears of no more changes.
    }
}

std::wstring TShFilesWatcher::Reopen(TWatch& watch)
{
    watch.Close();
    std::wstring path, missing;
    ULONGLONG since = 0;
    {
        std::lock_guard lock(FLock);
        path = FPath;
        missing = std::exchange(FMissingPath, std::wstring());
        since = std::exchange(FUnchangedSince, 0);
        FOwnChangesRead = std::exchange(FOwnChanges, false);
        FWatching = false;
    }
    // Opened outside the lock: on a slow or network path that takes seconds.
    watch.Open(path, FNotifyFilter);
    // Compared only now that the handle is open, so that no change falls between the two.
    if (since != 0 && watch.Watching() && LastWriteTicks(path) != since) FChangedUnwatched = true;
    std::lock_guard lock(FLock);
    FWatching = watch.Watching();
    return !path.empty() && !FWatching && watch.Gone() ? path : missing;
}

// Under Wine a removed directory goes only when the last handle on it closes,
// which may be this very reopening: the owner still has to hear of it.
void TShFilesWatcher::ReopenTellingLoss(TWatch& watch)
{
    if (const std::wstring lost = Reopen(watch); !lost.empty()) Report(lost);
}

TShFilesWatcher::TWake TShFilesWatcher::Wait(const TWatch& watch, DWORD ms) const
{
    std::vector<HANDLE> handles{FStopEvent.Handle(), FPathChangedEvent.Handle(), FNudgeEvent.Handle()};
    if (watch.Watching()) handles.push_back(watch.Handle());
    const DWORD slot = WaitForAny(handles, ms);
    if (slot == WAIT_TIMEOUT) return TWake::Timeout;
    static constexpr TWake wakes[] = {TWake::Stop, TWake::PathChanged, TWake::Nudged, TWake::Directory};
    return wakes[slot];
}

// Whether the watched directory was removed; the handle is closed to look.
bool TShFilesWatcher::DirectoryLost(TWatch& watch)
{
    watch.Close(true);
    return watch.Gone();
}

void TShFilesWatcher::Report(const std::wstring& path)
{
    Synchronize([this, &path] {
        // A copy: the handler may stop the watcher, which clears OnChange.
        if (const TPathChangeEvent handler = OnChange) handler(this, path);
    });
}

// Serves one wake of the idle wait, with the quiet time that a change starts;
// false when the watcher is to end.
bool TShFilesWatcher::Serve(TWatch& watch, TWake wake)
{
    TQuietTime quiet(FSettleMs);
    for (;;) {
        switch (wake) {
        case TWake::Stop:
            watch.Close();
            return false;
        case TWake::PathChanged:
            // A burst that was settling is held for the path's return. So is a
            // change not read yet (the worker was busy, or looking for the
            // directory's presence), unless the owner changed the directory
            // itself meanwhile: on a busy machine its own change can reach the
            // handle before the worker has taken the pause.
            if (quiet.Pending()) FHeldPath = watch.Path();
            else if (watch.Signalled()) FUnreadPath = watch.Path();
            ReopenTellingLoss(watch);
            // Without a path the owner pauses: the held burst waits for its directory to come back.
            if (watch.Path().empty()) return true;
            {
                const bool held = std::exchange(FHeldPath, std::wstring()) == watch.Path();
                const bool unread = std::exchange(FUnreadPath, std::wstring()) == watch.Path() && !FOwnChangesRead;
                const bool unwatched = std::exchange(FChangedUnwatched, false);
                if (!(held || unread || unwatched) || !watch.Watching()) return true;
            }
            quiet.Changed();
            break;
        case TWake::Timeout: {
            if (!quiet.Pending()) {
                // The idle wait's presence check. A change that came since the
                // wait gave up would be lost with the handle: it is served first.
                if (watch.Signalled()) {
                    wake = TWake::Directory;
                    continue;
                }
                if (watch.HoldsEntries()) return true;
                if (!DirectoryLost(watch)) {
                    ReopenTellingLoss(watch);
                    // An entry made while no handle was open is a change all the same.
                    if (!watch.HoldsEntries()) return true;
                    quiet.Changed();
                    break;
                }
            }
            // The burst has settled, or the directory went away. The report
            // names the directory of the handle, whatever the owner has set since.
            const std::wstring changed = watch.Path();
            // The fresh handle comes before the hand-over, so that a change made
            // while the owner reads the directory is reported in its turn.
            const std::wstring lost = Reopen(watch);
            Report(changed);
            if (!lost.empty() && lost != changed) Report(lost);
            return true;
        }
        case TWake::Directory:
            // A handle that cannot be re-armed is opened afresh (none when its
            // directory went away); the change that woke it still counts.
            if (!watch.Rearm()) Reopen(watch);
            quiet.Changed();
            break;
        case TWake::Nudged:
            if (watch.Watching()) quiet.Changed();
            else if (!quiet.Pending()) return true;
        }
        wake = Wait(watch, quiet.WaitMs());
    }
}
