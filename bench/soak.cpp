// A long day of the side bar under real input: show/park cycles at the edge,
// navigations between two folders of 1,000 files, shell context menus
// dismissed, renames in place and drags onto another program's window. The
// side bar runs in this process, as the program runs it, so that a spy on the
// shell's allocator sees its blocks; a second thread plays the user. The
// process's figures are printed at the start, the middle and the end, and the
// run fails when one grows in the second half.
// Usage: bench_soak.exe [--cycles 200]   (the other actions scale with it)
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/Tessal_u.h"
#include "bench/desk_input.h"
#include "bench/listing_folders.h"
#include "bench/malloc_spy.h"
#include "bench/process_figures.h"
#include "shell/ShellIDFunc.h"
#include "ui/Application.h"

namespace {
constexpr int kFolderItems = 1000;
constexpr const wchar_t* kOuterName = L"Soak 1000";
// The outer folder's first row (folders come first), made again with 1,000 items of its own.
constexpr const wchar_t* kInnerName = L"folder 0000000";
constexpr const wchar_t* kDragName = L"soak drag.txt";
constexpr const wchar_t* kRenameNames[2] = {L"soak rename a.txt", L"soak rename b.txt"};
constexpr const wchar_t* kForeignTitle = L"Another program";
constexpr POINT kOnForeign{860, 300};  // inside the window of tools/foreignwindow.cpp
constexpr double kStepLimitMs = 10000;

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ProgramFolder()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// GDI objects of this process. Wine answers 0 to GetGuiResources; its GDI
// handle table, which the process block points to as on Windows, holds this
// process's objects only.
int GdiObjects()
{
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return int(count);
    struct TEntry {
        UINT64 Object;
        ULONG Owner;
        USHORT Unique;
        UCHAR Type, Flags;
        UINT64 UserPointer;
    };
    constexpr size_t kTableOffset = 0xF8, kTableSize = 0x10000;  // GdiSharedHandleTable in the 64-bit PEB
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0)
        return -1;
    const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const TEntry* const*>(peb + kTableOffset);
    if (!table) return -1;
    return int(std::count_if(table, table + kTableSize, [](const TEntry& entry) { return entry.Type != 0; }));
}

// USER objects of this process; Wine answers 0 here too, and then only its windows are counted.
int UserObjects()
{
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return int(count);
    int windows = 0;
    EnumWindows([](HWND window, LPARAM counter) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != GetCurrentProcessId()) return TRUE;
        auto& count = *reinterpret_cast<int*>(counter);
        ++count;
        EnumChildWindows(window, [](HWND, LPARAM child) -> BOOL { return ++*reinterpret_cast<int*>(child), TRUE; },
                         counter);
        return TRUE;
    }, LPARAM(&windows));
    return windows;
}

struct TFigures {
    TMallocSpy::TBalance Allocator;
    int Handles = 0, Gdi = 0, User = 0, Threads = 0;
    double PrivateMiB = 0;
};

TFigures TakeFigures(const TMallocSpy& spy, const std::wstring& procFolder)
{
    TFigures figures;
    figures.Allocator = spy.Balance();
    figures.Handles = HandleCount(GetCurrentProcessId());
    figures.Gdi = GdiObjects();
    figures.User = UserObjects();
    figures.Threads = ThreadCount(GetCurrentProcessId());
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        figures.PrivateMiB = double(memory.PrivateUsage) / (1 << 20);
    // Wine leaves the private bytes at 0: the resident private memory that Linux counts stands in.
    if (figures.PrivateMiB == 0) figures.PrivateMiB = LinuxStatusMiB(procFolder, "RssAnon:");
    return figures;
}

// One line of the table; false when the figure grew from the middle to the end beyond `noise`.
bool PrintRow(const char* what, double start, double middle, double end, double noise, const char* format)
{
    char cells[4][32];
    const double values[4] = {start, middle, end, end - middle};
    const std::string signedFormat = std::string("%+") + (format + 1);
    for (int i = 0; i < 4; ++i)
        std::snprintf(cells[i], sizeof cells[i], i < 3 ? format : signedFormat.c_str(), values[i]);
    const bool steady = end - middle <= noise;
    std::printf("| %s | %s | %s | %s | %s | %s |\n", what, cells[0], cells[1], cells[2], cells[3],
                steady ? "steady" : "GROWS");
    return steady;
}

// An ordinary window of another process that takes dropped files and copies
// nothing: its title becomes the dropped paths.
class TForeignWindow {
public:
    ~TForeignWindow()
    {
        if (!FProcess.hProcess) return;
        if (FWindow) PostMessageW(FWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(FProcess.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(FProcess.hProcess, 9);
        CloseHandle(FProcess.hProcess);
        CloseHandle(FProcess.hThread);
    }

    bool Start()
    {
        std::wstring command = L"\"" + ProgramFolder() + L"foreignwindow.exe\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &FProcess))
            return false;
        return WaitFor([&] {
            for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"TessalyTestForeignWindow", nullptr));) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == FProcess.dwProcessId && IsWindowVisible(w)) FWindow = w;
            }
            return FWindow != nullptr;
        }, 15000) >= 0;
    }
    HWND Window() const { return FWindow; }

private:
    PROCESS_INFORMATION FProcess{};
    HWND FWindow = nullptr;
};

// The user: plays the day on a thread of its own while the side bar's thread runs its message loop.
class TUser {
public:
    TUser(TTessal_f& form, HWND foreign, const TMallocSpy& spy)
        : FBar{form.Handle(), form.ShellListView1->Handle()},
          FUiThread(GetWindowThreadProcessId(form.Handle(), nullptr)), FForeign(foreign), FSpy(spy),
          FProcFolder(LinuxProcFolder(L"bench_soak.exe")), FDesktop(DesktopDirectory())
    {
        // Seen from outside only: each listing, and whether a drag is over the list.
        TShellListView& list = *form.ShellListView1;
        list.OnShListChange = [this, fit = list.OnShListChange](TObject* sender, TShellFileList* files) {
            ++FListings;
            fit(sender, files);
        };
        list.OnShBeginDrag = [this](TObject*, TShellIDList&, POINT, int, int, bool&) { FDragStarted = true; };
        list.OnShDragEnter = [this](TObject*, TShellDragObject*, TShiftState, POINT, bool&) { FDragOverList = true; };
        list.OnShDragLeave = [this](TObject*) { FDragOverList = false; };
    }

    // The whole day; false when a step failed or a figure grew in the second half.
    bool Play(int cycles)
    {
        try {
            Expect(WaitFor([&] { return IsWindowVisible(FBar.Window) && FBar.Parked(); }, 30000) >= 0,
                   "the side bar never appeared parked");
            Settle();
            FDesktopRows = FBar.Rows();
            const TFigures start = TakeFigures(FSpy, FProcFolder);
            PlayHalf(0, cycles / 2);
            const TFigures middle = TakeFigures(FSpy, FProcFolder);
            PlayHalf(cycles / 2, cycles);
            const TFigures end = TakeFigures(FSpy, FProcFolder);
            return PrintFigures(start, middle, end);
        } catch (const std::exception& failure) {
            std::printf("failed: %s (cycle %d)\n", failure.what(), FCycle);
            // Whatever was open is closed, so that the side bar can end.
            Key(VK_ESCAPE);
            Key(VK_ESCAPE);
            MouseInput(kAway, MOUSEEVENTF_LEFTUP);
            return false;
        }
    }

private:
    static void Expect(bool done, const char* what)
    {
        if (!done) throw std::runtime_error(what);
    }
    static bool Until(const std::function<bool()>& done) { return WaitFor(done, kStepLimitMs) >= 0; }
    // Past the watchers' settle time of 2 s, so that what a step started has ended.
    static void Settle() { WaitFor([] { return false; }, 3000); }

    void PlayHalf(int from, int to)
    {
        for (FCycle = from; FCycle < to; ++FCycle) {
            Expect(ShowAtEdge(FBar) >= 0, "the bar did not come in at the edge");
            Expect(Until([&] { return GetForegroundWindow() == FBar.Window && FBar.Rows() == FDesktopRows; }),
                   "the bar came in without the foreground or the Desktop");
            if (FCycle % 2 == 0) {
                ContextMenu();
                Rename();
            }
            if (FCycle % 4 == 1) Navigate();
            if (FCycle % 4 == 3) Drag();
            Expect(Park(FBar), "the bar did not park");
            if ((FCycle + 1) % 20 == 0) std::printf("  %d cycles\n", FCycle + 1), std::fflush(stdout);
        }
        Settle();
    }

    int RowOf(const std::wstring& name) const
    {
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = name.c_str();
        const int row = int(SendMessageW(FBar.List, LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)));
        Expect(row >= 0, "a row of the Desktop is missing");
        return row;
    }
    // The middle of the row's icon: a press on the label of a selected row would start a rename of its own.
    POINT RowPoint(int row) const
    {
        RECT icon{};
        icon.left = LVIR_ICON;
        SendMessageW(FBar.List, LVM_GETITEMRECT, WPARAM(row), LPARAM(&icon));
        POINT point{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
        ClientToScreen(FBar.List, &point);
        return point;
    }
    bool Focused(int row) const
    {
        const UINT wanted = LVIS_SELECTED | LVIS_FOCUSED;
        return UINT(SendMessageW(FBar.List, LVM_GETITEMSTATE, WPARAM(row), wanted)) == wanted;
    }
    void Select(int row) const
    {
        Click(RowPoint(row));
        Expect(Until([&] { return Focused(row); }), "a click did not select its row");
    }
    HWND EditControl() const { return HWND(SendMessageW(FBar.List, LVM_GETEDITCONTROL, 0, 0)); }
    bool MenuOpen() const
    {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        return GetGUIThreadInfo(FUiThread, &thread) && (thread.flags & GUI_INMENUMODE);
    }

    // A right press on a row, and Escape.
    void ContextMenu()
    {
        Click(RowPoint(RowOf(kDragName)), true);
        Expect(Until([&] { return MenuOpen(); }), "the context menu did not open");
        Key(VK_ESCAPE);
        Expect(Until([&] { return !MenuOpen(); }), "Escape did not close the context menu");
        ++FMenus;
    }

    // F2 on the selected row, the new name typed, Enter.
    void Rename()
    {
        const std::wstring from = kRenameNames[FRenames % 2], to = kRenameNames[(FRenames + 1) % 2];
        Select(RowOf(from));
        Key(VK_F2);
        HWND edit = nullptr;
        Expect(Until([&] { return (edit = EditControl()) != nullptr; }), "F2 did not open the name for editing");
        Type(to);
        Expect(Until([&] { return WindowText(edit) == to; }), "the new name did not reach the edit box");
        Key(VK_RETURN);
        Expect(Until([&] {
            return !EditControl() && FileExists(FDesktop + L'\\' + to) && !FileExists(FDesktop + L'\\' + from);
        }), "Enter did not rename the file");
        ++FRenames;
    }

    // Into the outer folder, into the inner one, and back up twice to the Desktop.
    void Navigate()
    {
        auto lists = [&](auto keys, int rows, const char* what) {
            const int before = FListings;
            keys();
            Expect(Until([&] { return FListings > before && FBar.Rows() == rows; }), what);
        };
        Select(RowOf(kOuterName));
        lists([] { Key(VK_RETURN); }, kFolderItems, "Enter did not list the outer folder");
        lists([] { Key(VK_HOME); Key(VK_RETURN); }, kFolderItems, "Enter did not list the inner folder");
        lists([] { Key(VK_BACK); }, kFolderItems, "Backspace did not list the outer folder again");
        lists([] { Key(VK_BACK); }, FDesktopRows, "Backspace did not list the Desktop again");
        FNavigations += 2;
    }

    // A press on a row, a move out of the list onto the other program's window, a release there.
    void Drag()
    {
        const POINT row = RowPoint(RowOf(kDragName));
        SetWindowTextW(FForeign, kForeignTitle);
        FDragStarted = FDragOverList = false;
        MovePointer(row);
        MouseInput(row, MOUSEEVENTF_LEFTDOWN);
        // A move now and then until the list reports it: the control may keep the first one to itself,
        // and Wine's drag loop takes the pointer from whatever message comes, an old one too.
        auto movesUntil = [](const std::function<bool()>& seen, POINT a, POINT b) {
            double last = -1e9;
            bool atA = false;
            return Until([&] {
                if (seen()) return true;
                if (Now() - last > 300) MouseInput((atA = !atA) ? a : b, 0), last = Now();
                return false;
            });
        };
        const bool started = movesUntil([&] { return FDragStarted && FDragOverList; }, POINT{row.x + 10, row.y},
                                        POINT{row.x + 12, row.y});
        const bool left = started && movesUntil([&] { return !FDragOverList; }, kOnForeign,
                                                POINT{kOnForeign.x + 2, kOnForeign.y});
        // As a user's hand is slower than the poll: the bar has parked when the button comes up.
        const bool parked = left && Until([&] { return FBar.Parked(); });
        MouseInput(kOnForeign, MOUSEEVENTF_LEFTUP);
        Expect(started, "no drag started from the row");
        Expect(left, "the drag did not leave the list");
        Expect(parked, "the bar did not park while the drag went on");
        Expect(Until([&] { return WindowText(FForeign).find(kDragName) != std::wstring::npos; }),
               "the other program was not given the file");
        ++FDrags;
    }

    bool PrintFigures(const TFigures& start, const TFigures& middle, const TFigures& end) const
    {
        std::printf("\n%d show/park cycles, %d context menus, %d renames, %d navigations between the two folders of "
                    "%d items, %d drags\n\n",
                    FCycle, FMenus, FRenames, FNavigations, kFolderItems, FDrags);
        std::printf("| figure | start | middle | end | middle to end | second half |\n"
                    "|---|---|---|---|---|---|\n");
        bool steady = true;
        steady &= PrintRow("shell allocator: blocks outstanding", double(start.Allocator.Blocks),
                           double(middle.Allocator.Blocks), double(end.Allocator.Blocks), 2, "%.0f");
        steady &= PrintRow("shell allocator: bytes outstanding", double(start.Allocator.Bytes),
                           double(middle.Allocator.Bytes), double(end.Allocator.Bytes), 512, "%.0f");
        steady &= PrintRow("handles", start.Handles, middle.Handles, end.Handles, 2, "%.0f");
        steady &= PrintRow("GDI objects", start.Gdi, middle.Gdi, end.Gdi, 2, "%.0f");
        steady &= PrintRow("USER objects", start.User, middle.User, end.User, 0, "%.0f");
        steady &= PrintRow("threads", start.Threads, middle.Threads, end.Threads, 0, "%.0f");
        steady &= PrintRow("private MiB", start.PrivateMiB, middle.PrivateMiB, end.PrivateMiB,
                           middle.PrivateMiB * 0.05, "%.1f");
        std::printf("\nThe spy saw %zu blocks taken in the first half and %zu in the second.\n",
                    middle.Allocator.Taken - start.Allocator.Taken, end.Allocator.Taken - middle.Allocator.Taken);
        return steady;
    }

    TSideBar FBar;
    DWORD FUiThread;
    HWND FForeign;
    const TMallocSpy& FSpy;
    std::wstring FProcFolder, FDesktop;
    int FDesktopRows = 0, FCycle = 0, FMenus = 0, FRenames = 0, FNavigations = 0, FDrags = 0;
    std::atomic<int> FListings{0};
    std::atomic<bool> FDragStarted{false}, FDragOverList{false};
};

// The two folders of 1,000 items and the files the day works on, on the Desktop. The
// folders are made elsewhere and moved there: Wine puts a Linux launcher on the Desktop
// for every shortcut saved below it, which would add rows to the Desktop's listing.
bool PrepareDesktop()
{
    const std::wstring desktop = DesktopDirectory(), outer = desktop + L'\\' + kOuterName;
    const std::wstring inner = outer + L'\\' + kInnerName;
    if (CountEntries(outer) != kFolderItems || CountEntries(inner) != kFolderItems) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        const TBenchFolder made = PrepareBenchFolderAt(std::wstring(temp) + L"tessaly-soak", kFolderItems);
        PrepareBenchFolderAt(made.Path + L'\\' + kInnerName, kFolderItems);
        RemoveBenchFolder(outer);
        MoveFileW(made.Path.c_str(), outer.c_str());
    }
    DeleteFileW((desktop + L'\\' + kRenameNames[1]).c_str());
    return CountEntries(outer) == kFolderItems && CountEntries(inner) == kFolderItems &&
           MakeFile(desktop + L'\\' + kRenameNames[0]) && MakeFile(desktop + L'\\' + kDragName);
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int cycles = 200;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!wcscmp(argv[i], L"--cycles")) cycles = std::max(2, _wtoi(argv[i + 1]));
    // Before OLE starts, so that every block the program takes is seen.
    const TMallocSpy* spy = TMallocSpy::Register();
    if (!spy) return std::printf("the allocator spy could not be registered\n"), 2;
    TShellLibraryScope shellLibrary;
    TApplication application;
    application.Initialize();
    application.SetTitle(L"Tessaly");
    if (!PrepareDesktop()) return std::printf("the Desktop's folders and files could not be made\n"), 2;
    MovePointer(kAway);
    TForeignWindow foreign;
    if (!foreign.Start()) return std::printf("foreignwindow.exe did not start\n"), 2;

    TTessal_f* form = application.CreateForm<TTessal_f>();
    TUser user(*form, foreign.Window(), *spy);
    bool passed = false;
    std::thread player([&] {
        passed = user.Play(cycles);
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    });
    application.Run();
    player.join();
    return passed ? 0 : 1;
}
