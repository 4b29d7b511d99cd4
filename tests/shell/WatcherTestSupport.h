#pragma once
// Real folders for the watcher and registry tests, and watchers that tell
// the test when they have freed themselves.
#include <windows.h>

#include <string>

#include "shell/ChangeHandle.h"
#include "shell/ShellNotify.h"

// A fresh folder under the temporary folder, removed with all it holds.
class TTempDir {
public:
    TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    ~TTempDir();

    // Without a trailing backslash.
    const std::wstring& Path() const { return FPath; }
    // Creates a folder (and its parents) below this one; answers its path.
    std::wstring MakeDir(const std::wstring& relative) const;

private:
    std::wstring FPath;
};

// Appends a line to the file, creating it when needed.
void AppendToFile(const std::wstring& path);

// Waits, serving no message, until a message is posted to this thread: a
// worker's hand-over then waits for the main thread.
bool WaitForPostedMessage(DWORD limitMs);

// Pump until `count` change handles more than `before` (an OpenedCount or a
// ClosedCount of TChangeHandle) have been opened or closed: a watcher's worker
// opens its handles on its own time, and a change made before then is not seen.
bool HandlesOpened(size_t before, size_t count = 1);
bool HandlesClosed(size_t before, size_t count = 1);

// The number of handles this process holds, from the system's handle table
// (Wine answers GetOpenHandleCount with 0).
size_t OpenHandleCount();

template <class TWatcher>
class TGoneProbe : public TWatcher {
public:
    using TWatcher::TWatcher;
    bool* Gone = nullptr;

protected:
    ~TGoneProbe() override
    {
        if (Gone) *Gone = true;
    }
};
using TDirWatcherProbe = TGoneProbe<TShDirWatcher>;
using TFilesWatcherProbe = TGoneProbe<TShFilesWatcher>;
