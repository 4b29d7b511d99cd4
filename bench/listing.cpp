// How the shell list view copes with big folders: for folders of 1,000,
// 10,000, 50,000 and 100,000 items it measures, in one run, the shell's own
// floor (one enumeration and one sort by name through the folder's CompareIDs)
// and, through a real TShellListView, the re-enumeration, the matching of its
// rows to the old ones that keeps the user's place, the first screenful of
// rows taken through the control (its texts, and the time until the view's
// worker has completed it with icons and types), the longest the main thread
// is held while every page is shown from the top down, a sort by each column
// and the memory a row holds before its texts are asked for.
// Usage: bench_listing.exe [--sizes 1000,10000,50000,100000] [--reps 3] [--keep] [--detail]
//   --keep leaves the folders in the temp directory for the next run;
//   --detail also times each part of the screenful's rows on their own.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "bench/listing_folders.h"
#include "bench/measure.h"
#include "shell/ShellClassCache.h"
#include "shell/RowMatch.h"
#include "shell/ShellIDFunc.h"
#include "shellviews/ShellListView.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr int kScreenRows = 40;
constexpr int kColumns = TShellFileList::kColumns;
constexpr DWORD kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

struct TOptions {
    std::vector<int> Sizes{1000, 10000, 50000, 100000};
    int Reps = 3;
    bool Keep = false;
    bool Detail = false;
};

// A screenful of rows taken through the control: with the classes' shared icons
// and type names forgotten (cold) and known (warm).
struct TScreen {
    int First = 0, Rows = 0, PerInstance = 0;
    // The rows' texts through the control; then until every row also has its
    // icon, overlay and type name from the view's worker.
    double ColdMs = 0, WarmMs = 0, CompleteColdMs = 0, CompleteWarmMs = 0;
};

struct TResult {
    int Rows = 0;
    double EnumMs = 0, SortMs = 0, RefreshMs = 0, EmptyRefreshMs = 0;
    // Matching the old rows to the new; a refresh with every row selected.
    double MatchMs = 0, SelectedRefreshMs = 0;
    // In the middle of the folder, where its executables and shortcuts were put;
    // a quarter down, among plain files alone.
    TScreen Top, Middle, Quarter;
    // The longest the main thread was held, by a page of rows or by the
    // worker's answers, while every page was shown from the top down.
    double ScrollBlockMs = 0;
    // Of which the longest page of rows, and the longest batch of the worker's answers.
    double ScrollFetchMs = 0, ScrollAnswersMs = 0;
    int ScrollPages = 0;
    double ColumnSortMs[kColumns] = {};
    double HeapPerRow = 0;
    double FloorMs() const { return EnumMs + SortMs; }
};

// Bytes in use in every heap of the process (blocks and their headers).
double HeapBytes()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
    double total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += double(entry.cbData) + entry.cbOverhead;
        HeapUnlock(heap);
    }
    return total;
}

TIDListPtr ListOfPath(const std::wstring& path)
{
    TIDListPtr list;
    IDListFromPath(path, list);
    return list;
}

std::vector<LPITEMIDLIST> EnumerateLists(IShellFolder* folder, HWND owner)
{
    std::vector<LPITEMIDLIST> items;
    items.reserve(1000);
    ComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(owner, kEnumFlags, &enumerator) == S_OK && enumerator) {
        LPITEMIDLIST item = nullptr;
        while (enumerator->Next(1, &item, nullptr) == S_OK) items.push_back(item);
    }
    return items;
}

void FreeLists(std::vector<LPITEMIDLIST>& lists)
{
    for (LPITEMIDLIST list : lists) CoTaskMemFree(list);
    lists.clear();
}

// What a refresh of the same folder adds to keep the user's place: the rows of
// two enumerations matched, item for item.
double MeasureMatch(IShellFolder* folder, HWND owner)
{
    std::vector<LPITEMIDLIST> old = EnumerateLists(folder, owner), fresh = EnumerateLists(folder, owner);
    const double start = Now();
    MatchRows(folder, {old.begin(), old.end()}, {fresh.begin(), fresh.end()});
    const double ms = Now() - start;
    FreeLists(old);
    FreeLists(fresh);
    return ms;
}

// The shell's unavoidable work: one enumeration, then one sort by name of what it gave.
void MeasureFloor(IShellFolder* folder, HWND owner, double& enumMs, double& sortMs, int& rows)
{
    const double start = Now();
    std::vector<LPITEMIDLIST> items = EnumerateLists(folder, owner);
    const double enumerated = Now();
    std::stable_sort(items.begin(), items.end(), [folder](LPCITEMIDLIST a, LPCITEMIDLIST b) {
        const HRESULT result = folder->CompareIDs(0, a, b);
        return SUCCEEDED(result) && CompareIDsOrder(result) < 0;
    });
    const double sorted = Now();
    enumMs = enumerated - start;
    sortMs = sorted - enumerated;
    rows = int(items.size());
    FreeLists(items);
}

// Every column of `count` rows from `first`, asked of the control as it asks
// when it paints: the row's text and icon, then each further column's text.
double FetchRows(HWND list, int first, int count)
{
    wchar_t text[MAX_PATH];
    const double start = Now();
    for (int row = first; row < first + count; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            LVITEMW item{};
            item.mask = column == 0 ? LVIF_TEXT | LVIF_IMAGE : LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = int(std::size(text));
            SendMessageW(list, LVM_GETITEMW, 0, LPARAM(&item));
        }
    }
    return Now() - start;
}

std::wstring RowText(HWND list, int row, int column)
{
    wchar_t text[MAX_PATH] = {};
    ListView_GetItemText(list, row, column, text, int(std::size(text)));
    return text;
}

// Each thing a row shows, asked of fresh rows in the order the view asks, with
// the shared class data forgotten first: where the screenful's time goes.
void PrintRowParts(TShellListView& view, int first, int count)
{
    view.RefreshList();
    Pump();
    ClearShellClassCache();
    TShellFileList& listing = view.FileList();
    struct TPart {
        const char* Name;
        double Ms = 0, Worst = 0;
    };
    TPart parts[] = {{"icon"}, {"name"}, {"overlay"}, {"size"}, {"type"}, {"date"}, {"attributes"}};
    auto timed = [](TPart& part, auto&& ask) {
        const double start = Now();
        ask();
        const double ms = Now() - start;
        part.Ms += ms;
        part.Worst = std::max(part.Worst, ms);
    };
    for (int row = first; row < first + count; ++row) {
        TShellFileItem* item = listing.ItemAt(row);
        if (!item) continue;
        timed(parts[0], [&] { item->ImageIndex(); });
        timed(parts[1], [&] { item->DisplayName(); });
        timed(parts[2], [&] { item->OverlayState(); });
        timed(parts[3], [&] { item->SizeText(); });
        timed(parts[4], [&] { item->TypeName(); });
        timed(parts[5], [&] { item->DateText(); });
        timed(parts[6], [&] { item->AttributeLetters(); });
    }
    std::printf("  the screenful's parts (all rows, worst row):");
    for (const TPart& part : parts) std::printf(" %s %.1f (%.1f)", part.Name, part.Ms, part.Worst);
    std::printf(" ms\n");
}

bool RowsComplete(TShellFileList& listing, int first, int count)
{
    for (int row = first; row < first + count; ++row)
        if (TShellFileItem* item = listing.ItemAt(row); item && !item->RowInfoKnown(false)) return false;
    return true;
}

// Dispatches what waits (the worker's answers among it); answers the longest dispatch.
double PumpTimed()
{
    double longest = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const double start = Now();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        longest = std::max(longest, Now() - start);
    }
    return longest;
}

// The rows' texts, then the time until the worker's answers completed them.
void FetchScreen(TShellListView& view, const TScreen& screen, std::vector<double>& texts,
                 std::vector<double>& complete)
{
    const double start = Now();
    texts.push_back(FetchRows(view.Handle(), screen.First, screen.Rows));
    while (!RowsComplete(view.FileList(), screen.First, screen.Rows) && Now() - start < 30000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    complete.push_back(Now() - start);
}

// The first screenful from row `first`, on fresh rows each time.
TScreen MeasureScreen(TShellListView& view, int first, int reps)
{
    TShellFileList& listing = view.FileList();
    TScreen screen;
    screen.First = std::max(0, first);
    screen.Rows = std::max(0, std::min(kScreenRows, listing.Count() - screen.First));
    std::vector<double> cold, warm, coldComplete, warmComplete;
    for (int rep = 0; rep < reps; ++rep) {
        view.RefreshList();
        Pump();
        ClearShellClassCache();
        FetchScreen(view, screen, cold, coldComplete);
        view.RefreshList();
        Pump();
        FetchScreen(view, screen, warm, warmComplete);
    }
    screen.ColdMs = Median(cold);
    screen.WarmMs = Median(warm);
    screen.CompleteColdMs = Median(coldComplete);
    screen.CompleteWarmMs = Median(warmComplete);
    for (int row = screen.First; row < screen.First + screen.Rows; ++row)
        if (TShellFileItem* item = listing.ItemAt(row))
            screen.PerInstance += IsPerInstanceName(item->FindData().cFileName);
    return screen;
}

// Every page from the top down on fresh rows with the classes forgotten, the
// worker's answers taken between the pages as the message loop would.
void MeasureScroll(TShellListView& view, TResult& result)
{
    view.RefreshList();
    Pump();
    ClearShellClassCache();
    const int count = view.FileList().Count();
    for (int first = 0; first < count; first += kScreenRows) {
        const int rows = std::min(kScreenRows, count - first);
        result.ScrollFetchMs = std::max(result.ScrollFetchMs, FetchRows(view.Handle(), first, rows));
        result.ScrollAnswersMs = std::max(result.ScrollAnswersMs, PumpTimed());
        ++result.ScrollPages;
    }
    const double end = Now();
    while (Now() - end < 2000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        result.ScrollAnswersMs = std::max(result.ScrollAnswersMs, PumpTimed());
    }
    result.ScrollBlockMs = std::max(result.ScrollFetchMs, result.ScrollAnswersMs);
}

TResult MeasureFolder(TShellListView& view, const TBenchFolder& bench, const std::wstring& empty, int reps,
                      bool detail)
{
    TResult result;
    TShellFileList& listing = view.FileList();
    const TIDListPtr folderList = ListOfPath(bench.Path), emptyList = ListOfPath(empty);
    if (!folderList || !emptyList) return result;

    // What a re-enumeration costs beside the shell's work: the same steps on a folder without rows.
    view.SetFolderIDList(emptyList.get());
    Pump();
    std::vector<double> emptyRefreshes;
    for (int rep = 0; rep < reps; ++rep) {
        const double start = Now();
        view.RefreshList();
        emptyRefreshes.push_back(Now() - start);
        Pump();
    }
    result.EmptyRefreshMs = Median(emptyRefreshes);

    // Memory: the rows of a first listing, before any of their texts is asked for.
    // Wine does not count private bytes: the heaps' own books tell.
    const double heapBefore = HeapBytes();
    view.SetFolderIDList(folderList.get());
    const double heapAfter = HeapBytes();
    result.Rows = listing.Count();
    if (result.Rows == 0) return result;
    result.HeapPerRow = (heapAfter - heapBefore) / result.Rows;
    Pump();

    // The floor and the view's re-enumeration, in turns, on the same bound folder.
    ComPtr<IShellFolder> folder = listing.ShellFolder();
    std::vector<double> enums, sorts, refreshes;
    for (int rep = 0; rep < reps; ++rep) {
        double enumMs, sortMs;
        int floorRows;
        MeasureFloor(folder.Get(), view.Handle(), enumMs, sortMs, floorRows);
        enums.push_back(enumMs);
        sorts.push_back(sortMs);
        const double start = Now();
        view.RefreshList();
        refreshes.push_back(Now() - start);
        Pump();
        if (floorRows != listing.Count())
            std::printf("  note: the floor saw %d items, the view lists %d\n", floorRows, listing.Count());
    }
    result.EnumMs = Median(enums);
    result.SortMs = Median(sorts);
    result.RefreshMs = Median(refreshes);

    std::vector<double> matches, selectedRefreshes;
    for (int rep = 0; rep < reps; ++rep) {
        matches.push_back(MeasureMatch(folder.Get(), view.Handle()));
        view.SetItemState(-1, LVIS_SELECTED, true);
        const double start = Now();
        view.RefreshList();
        selectedRefreshes.push_back(Now() - start);
        view.SetItemState(-1, LVIS_SELECTED, false);
        Pump();
    }
    result.MatchMs = Median(matches);
    result.SelectedRefreshMs = Median(selectedRefreshes);

    result.Top = MeasureScreen(view, 0, reps);
    result.Middle = MeasureScreen(view, result.Rows / 2 - kScreenRows / 2, reps);
    result.Quarter = MeasureScreen(view, result.Rows / 4, reps);
    const int sample = result.Middle.First + result.Middle.Rows / 2;
    std::printf("  a row of the screenful:");
    for (int column = 0; column < kColumns; ++column)
        std::printf(" [%ls]", RowText(view.Handle(), sample, column).c_str());
    std::printf(" icon %d\n", listing.ItemAt(sample) ? listing.ItemAt(sample)->ImageIndex() : -1);

    if (detail) PrintRowParts(view, result.Middle.First, result.Middle.Rows);
    MeasureScroll(view, result);

    // A click on each column header, from rows in name order, as the first click sorts: descending.
    for (int column = 0; column < kColumns; ++column) {
        std::vector<double> times;
        for (int rep = 0; rep < reps; ++rep) {
            listing.SortDirections = {1, 1, 1, 1, 1};
            listing.SortByColumn(0);
            listing.SortDirections[size_t(column)] = -1;
            const double start = Now();
            listing.SortByColumn(column);
            times.push_back(Now() - start);
        }
        result.ColumnSortMs[column] = Median(times);
    }
    listing.SortDirections = {1, 1, 1, 1, 1};
    listing.SortByColumn(0);
    view.SetFolderIDList(emptyList.get());
    Pump();
    return result;
}

void PrintResult(const TResult& r)
{
    std::printf("  floor: EnumObjects %.1f ms + CompareIDs sort %.1f ms = %.1f ms\n", r.EnumMs, r.SortMs, r.FloorMs());
    std::printf("  Refresh through the view: %.1f ms = %.2f x floor (aim 1.2); of an empty folder %.1f ms\n",
                r.RefreshMs, r.RefreshMs / r.FloorMs(), r.EmptyRefreshMs);
    std::printf("  the place kept: rows matched in %.1f ms = %.2f x the sort; Refresh with every row selected %.1f ms\n",
                r.MatchMs, r.MatchMs / r.SortMs, r.SelectedRefreshMs);
    for (const TScreen* screen : {&r.Top, &r.Middle, &r.Quarter})
        std::printf("  first screenful, %d rows from row %d (%d executables or shortcuts): texts %.1f ms cold, "
                    "%.1f ms warm (aim 30 ms); complete with icons and types %.1f ms cold, %.1f ms warm "
                    "(aim 150 ms)\n",
                    screen->Rows, screen->First, screen->PerInstance, screen->ColdMs, screen->WarmMs,
                    screen->CompleteColdMs, screen->CompleteWarmMs);
    std::printf("  scrolling %d pages from the top down: the main thread held at most %.1f ms at a time (aim 30 ms): "
                "%.1f ms by a page of rows, %.1f ms by the worker's answers\n",
                r.ScrollPages, r.ScrollBlockMs, r.ScrollFetchMs, r.ScrollAnswersMs);
    std::printf("  sort by column 0..4:");
    for (double ms : r.ColumnSortMs) std::printf(" %.1f ms (%.2f x)", ms, ms / r.SortMs);
    std::printf("\n  memory per row before its texts: %.0f B of heap (aim 1024)\n", r.HeapPerRow);
    std::fflush(stdout);
}

void PrintSummary(const std::vector<TResult>& results)
{
    std::printf("\n%8s %9s %9s %8s %11s %14s %11s %30s %6s\n", "items", "floor ms", "refresh", "x floor",
                "texts ms", "complete ms", "scroll ms", "sort x floor sort, col 0..4", "B/row");
    for (const TResult& r : results) {
        const double texts = std::max({r.Top.ColdMs, r.Middle.ColdMs, r.Quarter.ColdMs});
        const double complete = std::max({r.Top.CompleteColdMs, r.Middle.CompleteColdMs, r.Quarter.CompleteColdMs});
        std::printf("%8d %9.1f %9.1f %8.2f %11.1f %14.1f %11.1f ", r.Rows, r.FloorMs(), r.RefreshMs,
                    r.RefreshMs / r.FloorMs(), texts, complete, r.ScrollBlockMs);
        for (double ms : r.ColumnSortMs) std::printf("%5.2f ", ms / r.SortMs);
        std::printf("%6.0f\n", r.HeapPerRow);
    }
    std::fflush(stdout);
}

TOptions ParseOptions(int argc, wchar_t** argv)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--keep") {
            options.Keep = true;
        } else if (arg == L"--detail") {
            options.Detail = true;
        } else if (arg == L"--reps" && i + 1 < argc) {
            options.Reps = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--sizes" && i + 1 < argc) {
            options.Sizes.clear();
            for (const wchar_t* p = argv[++i]; *p;) {
                wchar_t* end;
                const long size = std::wcstol(p, &end, 10);
                if (size > 0) options.Sizes.push_back(int(size));
                p = *end ? end + 1 : end;
            }
        }
    }
    return options;
}

int Run(const TOptions& options)
{
    TShellLibraryScope shellLibrary;
    TApplication application;
    application.Initialize();
    // The form stays hidden: nothing paints rows behind the measurements' back.
    auto form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"listing", .ClientWidth = 640,
                                                             .ClientHeight = 520, .Left = 100, .Top = 20});
    TShellListView* view = form->Create<TShellListView>(form.get(), TBounds{0, 0, 620, 500});
    view->SetViewStyle(vsReport);
    view->Loaded();
    Pump();

    const std::wstring empty = PrepareEmptyFolder();
    std::vector<TResult> results;
    std::vector<std::wstring> made;
    for (int size : options.Sizes) {
        const TBenchFolder bench = PrepareBenchFolder(size);
        made.push_back(bench.Path);
        std::printf("\n%d items in %ls%s, median of %d\n", bench.Entries, bench.Path.c_str(),
                    bench.Reused ? " (reused)" : "", options.Reps);
        std::fflush(stdout);
        results.push_back(MeasureFolder(*view, bench, empty, options.Reps, options.Detail));
        PrintResult(results.back());
    }
    PrintSummary(results);
    form.reset();
    RemoveBenchFolder(empty);
    if (!options.Keep) {
        const ULONGLONG start = GetTickCount64();
        for (const std::wstring& path : made) RemoveBenchFolder(path);
        std::printf("folders removed in %.1f s\n", double(GetTickCount64() - start) / 1000);
    }
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const TOptions options = ParseOptions(argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    int status;
    try {
        status = Run(options);
    } catch (const Exception& error) {
        std::printf("failed: %ls\n", error.Message().c_str());
        status = 1;
    }
    OleUninitialize();
    return status;
}
