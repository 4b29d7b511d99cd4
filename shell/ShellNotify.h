#pragma once
// The change watchers: worker threads that wait on the file system's change
// notifications, let a burst of changes settle and then hand one notification
// to the main thread. A burst settles when it has been quiet for the settle
// time, or at the latest MaxSettleRounds settle times after its first change,
// so that steady activity is still reported now and then.
//
// Owners end them with StopWatching and cannot delete them: a watcher frees
// itself when its thread ends, and its OnTerminate (main thread) is where the
// owner forgets it. Free (the thread's) ends one at once, waiting for it.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "shell/ShellDbt.h"
#include "ui/Thread.h"

class TDirWaitSet;

// Runs on the main thread; the handler owns the record from then on.
using TDeviceChangeEvent = std::function<void(TObject* Sender, std::unique_ptr<TDeviceChangeData> Data)>;
// Runs on the main thread with the directory that changed.
using TPathChangeEvent = std::function<void(TObject* Sender, const std::wstring& Path)>;

// Runs an owner's follow-up of a report on the main thread. Its error is
// shown, and the watcher watches on: ending it would leave the control blind
// to changes for good.
void FollowReport(TObject* owner, const std::function<void()>& follow);

// The longest a change waits for its report, in settle times.
inline constexpr DWORD MaxSettleRounds = 5;

// Watches directory trees for a tree view and carries volume records to it.
class TShDirWatcher : public TThread {
public:
    static constexpr DWORD DefaultSettleMs = 1500;
    static constexpr DWORD DefaultDeviceSettleMs = 1000;

    // `directories` may be none. The settle times are how long the changes
    // of a directory tree and the volume records must stay quiet before
    // they are reported.
    TShDirWatcher(const std::vector<std::wstring>* directories, DWORD notifyFilter,
                  TDeviceChangeEvent onDeviceChange, TNotifyEvent onDirChange,
                  DWORD settleMs = DefaultSettleMs, DWORD deviceSettleMs = DefaultDeviceSettleMs);

    // Watches the existing ones of `directories` from now on; none stops
    // watching directories (volume records still flow). A set that only
    // differs in order or trailing backslashes changes nothing.
    void SetDirectories(const std::vector<std::wstring>* directories);
    // The watched set: sorted, each with one trailing backslash.
    std::vector<std::wstring> Directories() const;
    // Replaces a record that still waits; dropped when there is no handler.
    void QueueDeviceChange(std::unique_ptr<TDeviceChangeData> record);
    // Nothing is reported after this, not even a hand-over already waiting.
    void StopWatching();

    TDeviceChangeEvent OnDeviceChange;
    TNotifyEvent OnDirChange;

protected:
    ~TShDirWatcher() override = default;
    void Execute() override;
    void TerminatedSet() override;

private:
    void Serve();
    void Open(TDirWaitSet& waits);
    void HandOverDevice();

    std::unique_ptr<TDeviceChangeData> FPendingDevice;  // main thread only
    DWORD FNotifyFilter;
    std::vector<std::wstring> FDirectories;  // guarded by FLock
    TEvent FStopEvent{true};
    TEvent FDeviceEvent{false};
    TEvent FListChangedEvent{false};
    mutable std::mutex FLock;
    DWORD FSettleMs;
    DWORD FDeviceSettleMs;
};

// Watches one directory (not its subtree) for a folder listing.
class TShFilesWatcher : public TThread {
public:
    static constexpr DWORD DefaultSettleMs = 2000;

    TShFilesWatcher(std::wstring path, DWORD notifyFilter, TPathChangeEvent onChange,
                    DWORD settleMs = DefaultSettleMs);

    // Watches `path` from now on when it is an existing directory; otherwise
    // the watcher reports the path once, so that its owner learns that the
    // directory is missing, and idles until it gets one. The path watched already changes
    // nothing, unless its directory went away and the watcher idles: then
    // the directory is looked for again (an owner that made it anew). A burst
    // that was settling when the path was emptied is reported when the same
    // path comes back, so that an owner's pause loses no change.
    // `unchangedSince`, when not 0, is the directory's last-write time when the
    // owner stopped watching it: a later one, found once the handle is open,
    // is reported as a change made while nobody watched. `ownChanges` says
    // that the owner itself changed the directory during its pause: a change
    // that the worker had not read yet when the path was taken away is then
    // taken for the owner's own.
    void SetPath(const std::wstring& path, ULONGLONG unchangedSince = 0, bool ownChanges = false);
    std::wstring CurrentPath() const;
    // Reports the watched directory after the settle time, as if it had
    // changed: for an owner that did not watch for a while and missed changes.
    void Nudge() { FNudgeEvent.Set(); }
    // Nothing is reported after this, not even a hand-over already waiting.
    void StopWatching();

    // Runs with the directory whose change is reported, which may no longer
    // be CurrentPath when the owner has moved on meanwhile.
    TPathChangeEvent OnChange;

protected:
    ~TShFilesWatcher() override = default;
    void Execute() override;
    void TerminatedSet() override;

private:
    class TWatch;
    enum class TWake;
    TWake Wait(const TWatch& watch, DWORD ms) const;
    bool Serve(TWatch& watch, TWake wake);
    bool DirectoryLost(TWatch& watch);
    std::wstring Reopen(TWatch& watch);
    void ReopenTellingLoss(TWatch& watch);
    void Report(const std::wstring& path);

    std::wstring FPath;  // guarded by FLock
    bool FWatching = false;  // guarded by FLock: the worker holds a handle on FPath
    std::wstring FMissingPath;  // guarded by FLock: given, but no directory; the worker tells the owner
    std::wstring FHeldPath;  // worker only: a burst that was settling there when the path was taken away
    std::wstring FUnreadPath;  // worker only: a change not read yet there when the path was taken away
    bool FOwnChanges = false;  // guarded by FLock: SetPath's word, until the worker opens the path
    bool FOwnChangesRead = false;  // worker only: the word for the path opened last
    ULONGLONG FUnchangedSince = 0;  // guarded by FLock: SetPath's last-write time, until the worker opens the path
    bool FChangedUnwatched = false;  // worker only: the directory changed before its handle was open; served by the path change
    DWORD FNotifyFilter;
    TEvent FPathChangedEvent{false};
    TEvent FNudgeEvent{false};
    TEvent FStopEvent{true};
    mutable std::mutex FLock;
    DWORD FSettleMs;
};
