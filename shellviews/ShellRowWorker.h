#pragma once
// The list view's worker for what a row costs the shell most: its icon, its
// overlay and its type name. The view asks for rows as it draws them; the
// worker answers on its own thread, in its own apartment, from copies of the
// rows' item lists, newest requests first, and hands the answers back
// through a hidden window's message, so the view matches them to its rows
// on the main thread. The worker never sees a row or a window of the view.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "shell/ShellFileItem.h"
#include "shell/ShellIDFunc.h"
#include "ui/Thread.h"
#include "ui/UtilityWindow.h"

// An answer for one row of one listing. `Row` is an identity, never read:
// the view finds the row that is still that item before it looks at it.
struct TRowAnswer {
    unsigned Generation = 0;
    const void* Row = nullptr;
    int RowHint = -1;  // where the row was when it was asked for
    std::shared_ptr<const ITEMIDLIST> Folder;
    TIDListPtr Relative;
    TRowInfo Info;
};

class TShellRowWorker : public TThread {
public:
    using TAnswersEvent = std::function<void(std::vector<TRowAnswer>& answers)>;

    // Main thread. `onAnswers` runs on the main thread with each batch of answers.
    explicit TShellRowWorker(TAnswersEvent onAnswers);

    // A new listing (another folder, or the same enumerated again): what was
    // asked for the rows before is forgotten, and answers still on their way
    // come with an older generation. The folder's list is copied.
    void NewListing(LPCITEMIDLIST folder);
    unsigned Generation() const { return FGeneration; }
    // The listed folder's copy that answers of this generation carry.
    const ITEMIDLIST* Folder() const { return FFolder.get(); }
    // Asks for a row; nothing when it was asked already and not answered yet.
    void Ask(const void* row, int rowHint, LPCITEMIDLIST relative, bool large);
    // Whether the row was asked for and its answer not taken yet.
    bool Asking(const void* row, bool large);
    // The view took the row's answer (or dropped it): the row may be asked again.
    void Answered(const void* row, bool large);

    // For tests: a handle that the worker waits for before each answer (a
    // semaphore lets one answer through per release); none by default.
    static std::atomic<HANDLE> AnswerGate;
    // For tests: how often the worker has stopped at the gate, and how many
    // workers run now.
    static std::atomic<int> GateStops;
    static std::atomic<int> Running;

protected:
    ~TShellRowWorker() override = default;
    void Execute() override;
    void TerminatedSet() override
    {
        FStop.Set();
        FWake.Set();
    }

private:
    struct TRequest {
        unsigned Generation;
        const void* Row;
        int RowHint;
        std::shared_ptr<const ITEMIDLIST> Folder;
        TIDListPtr Relative;
        bool Large;
    };
    // Rows asked and not yet taken by the view, by identity and icon size.
    static uintptr_t Key(const void* row, bool large) { return uintptr_t(row) | uintptr_t(large); }

    bool Take(TRequest& request);
    // False when the worker was terminated while it waited at the gate.
    bool PassGate();
    void Deliver(TRowAnswer answer);
    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const TAnswersEvent FOnAnswers;
    TEvent FWake{false};
    TEvent FStop{true};
    unsigned FGeneration = 0;              // main thread
    std::shared_ptr<const ITEMIDLIST> FFolder;  // main thread
    std::mutex FLock;
    std::deque<TRequest> FRequests;           // under FLock, oldest first
    std::unordered_set<uintptr_t> FAsked;     // under FLock
    std::vector<TRowAnswer> FAnswers;         // under FLock
    TUtilityWindow FWindow;
};

// Frees a worker (which ends and joins it) when its owner lets it go.
struct TRowWorkerFree {
    void operator()(TShellRowWorker* worker) const { worker->Free(); }
};
using TRowWorkerPtr = std::unique_ptr<TShellRowWorker, TRowWorkerFree>;

// The system image list's icon for any folder or any file, shown until a
// row's own is known. Main thread.
int GenericIconIndex(bool folder, bool large);
