#include "shellviews/ShellRowWorker.h"

#include <shellapi.h>

#include <cstring>
#include <utility>

#include "ui/Finally.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr UINT kAnswersMessage = WM_APP + 10;
// Requests beyond these many are for rows scrolled away long ago: the oldest
// go, and are asked again should their rows be drawn again.
constexpr size_t kMaxWaiting = 400;

std::shared_ptr<const ITEMIDLIST> SharedCopy(LPCITEMIDLIST list)
{
    return std::shared_ptr<const ITEMIDLIST>(CopyIDList(list), [](const ITEMIDLIST* copy) {
        LPITEMIDLIST owned = const_cast<LPITEMIDLIST>(copy);
        FreeIDList(owned);
    });
}

bool SameIDList(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    const WORD size = IDListSize(a);
    return size == IDListSize(b) && std::memcmp(a, b, size) == 0;
}

// The worker's own stand-in for the view's listing: the folder of the rows
// it answers for, bound in the worker's apartment.
class TWorkerListing : public TShellItemListing {
public:
    void Show(const std::shared_ptr<const ITEMIDLIST>& folder, bool large)
    {
        FStyle = large ? vsIcon : vsReport;
        // A bind reads the whole folder under Wine: the same folder listed again keeps the one bound.
        if (folder == FFolder || (folder && FFolder && SameIDList(folder.get(), FFolder.get()))) {
            FFolder = folder;
            return;
        }
        FFolder = folder;
        FShellFolder.Reset();
        ComPtr<IShellFolder> desktop;
        if (!FFolder || FAILED(SHGetDesktopFolder(&desktop))) return;
        if (FolderLevel() == 0) FShellFolder = desktop;
        else desktop->BindToObject(FFolder.get(), nullptr, IID_PPV_ARGS(&FShellFolder));
    }

    LPCITEMIDLIST FolderIDList() const override { return FFolder.get(); }
    int FolderLevel() const override { return FFolder ? IDListLevel(FFolder.get()) : -1; }
    ComPtr<IShellFolder> ShellFolder() const override { return FShellFolder; }
    TViewStyle ViewStyle() const override { return FStyle; }
    HWND ListWindow() const override { return nullptr; }
    int IndexOf(const TShellFileItem*) const override { return -1; }

private:
    std::shared_ptr<const ITEMIDLIST> FFolder;
    ComPtr<IShellFolder> FShellFolder;
    TViewStyle FStyle = vsReport;
};
}  // namespace

std::atomic<HANDLE> TShellRowWorker::AnswerGate{nullptr};
std::atomic<int> TShellRowWorker::GateStops{0};
std::atomic<int> TShellRowWorker::Running{0};

TShellRowWorker::TShellRowWorker(TAnswersEvent onAnswers)
    : FOnAnswers(std::move(onAnswers)),
      FWindow([this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return WindowProc(w, m, wp, lp); })
{
    Start();
}

void TShellRowWorker::NewListing(LPCITEMIDLIST folder)
{
    ++FGeneration;
    FFolder = folder ? SharedCopy(folder) : nullptr;
    std::lock_guard lock(FLock);
    FRequests.clear();
    FAsked.clear();
}

void TShellRowWorker::Ask(const void* row, int rowHint, LPCITEMIDLIST relative, bool large)
{
    if (!relative) return;
    {
        std::lock_guard lock(FLock);
        if (!FAsked.insert(Key(row, large)).second) return;
        FRequests.push_back({FGeneration, row, rowHint, FFolder, TIDListPtr(CopyIDList(relative)), large});
        if (FRequests.size() > kMaxWaiting) {
            FAsked.erase(Key(FRequests.front().Row, FRequests.front().Large));
            FRequests.pop_front();
        }
    }
    FWake.Set();
}

bool TShellRowWorker::Asking(const void* row, bool large)
{
    std::lock_guard lock(FLock);
    return FAsked.count(Key(row, large)) > 0;
}

void TShellRowWorker::Answered(const void* row, bool large)
{
    std::lock_guard lock(FLock);
    FAsked.erase(Key(row, large));
}

bool TShellRowWorker::Take(TRequest& request)
{
    std::lock_guard lock(FLock);
    if (FRequests.empty()) return false;
    // The newest first: the rows drawn last are the ones on the screen.
    request = std::move(FRequests.back());
    FRequests.pop_back();
    return true;
}

bool TShellRowWorker::PassGate()
{
    const HANDLE gate = AnswerGate;
    if (!gate) return !Terminated();
    ++GateStops;
    const HANDLE handles[] = {FStop.Handle(), gate};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1 && !Terminated();
}

void TShellRowWorker::Execute()
{
    // The shell's icon handlers want an apartment; a single-threaded one pumps its messages below.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ++Running;
    const TFinally ended([com] {
        --Running;
        if (SUCCEEDED(com)) CoUninitialize();
    });
    TWorkerListing listing;
    while (!Terminated()) {
        TRequest request;
        if (!Take(request)) {
            const HANDLE wake = FWake.Handle();
            MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            continue;
        }
        if (!PassGate()) break;
        listing.Show(request.Folder, request.Large);
        TShellFileItem item(&listing, CopyIDList(request.Relative.get()));
        Deliver({request.Generation, request.Row, request.RowHint, std::move(request.Folder),
                 std::move(request.Relative), item.AskRowInfo(request.Large)});
    }
}

void TShellRowWorker::Deliver(TRowAnswer answer)
{
    std::lock_guard lock(FLock);
    FAnswers.push_back(std::move(answer));
    // One message carries every answer that came before the view took them.
    if (FAnswers.size() == 1) PostMessageW(FWindow.Handle(), kAnswersMessage, 0, 0);
}

LRESULT TShellRowWorker::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kAnswersMessage) return DefWindowProcW(window, message, wParam, lParam);
    std::vector<TRowAnswer> answers;
    {
        std::lock_guard lock(FLock);
        answers.swap(FAnswers);
    }
    if (!answers.empty() && FOnAnswers) FOnAnswers(answers);
    return 0;
}

int GenericIconIndex(bool folder, bool large)
{
    static int known[2][2] = {{-1, -1}, {-1, -1}};
    int& index = known[folder][large];
    if (index < 0) {
        // Asked by name and attributes alone: no file is read.
        SHFILEINFOW info{};
        UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | (large ? 0 : SHGFI_SMALLICON);
        if (SHGetFileInfoW(folder ? L"folder" : L"file", folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL,
                           &info, sizeof info, flags))
            index = info.iIcon;
    }
    return index;
}
