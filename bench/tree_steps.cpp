// How the shell tree view follows a linked list view through big folders:
// five steps down and five back up a chain of folders that each hold 10,000
// items, opening each folder from the list as a double click does and going
// back with Backspace. Each step is set against one listing of the folder
// entered by a list view that no tree follows, the least such a step can cost.
// The walk runs twice: first while the tree meets the folders for the first
// time, then again over nodes it has read already.
// Usage: bench_tree_steps.exe [--entries 10000] [--depth 5] [--reps 3] [--keep]
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/listing_folders.h"
#include "bench/measure.h"
#include "shell/ShellIDFunc.h"
#include "shellviews/ShellListView.h"
#include "shellviews/ShellTreeView.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"

namespace {
struct TOptions {
    int Entries = 10000;
    int Depth = 5;
    int Reps = 3;
    bool Keep = false;
};

// The tree, counting the folders it reads.
class TCountingTree : public TShellTreeView {
public:
    using TShellTreeView::TShellTreeView;
    int Reads = 0;

protected:
    int EnumSubFolders(IShellFolder* folder, TShellTreeItem* parent, TItems& items) override
    {
        ++Reads;
        return TShellTreeView::EnumSubFolders(folder, parent, items);
    }
};

struct TStep {
    std::wstring Name;
    double Ms = 0, ListingMs = 0;
    int TreeReads = 0;
};

TIDListPtr ListOfPath(const std::wstring& path)
{
    TIDListPtr list;
    IDListFromPath(path, list);
    return list;
}

// The chain: each folder's first subfolder is the next one, and each holds `entries` items.
std::vector<std::wstring> PrepareChain(const TOptions& options)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::vector<std::wstring> chain;
    std::wstring path = std::wstring(temp) + L"tessaly-bench-tree";
    for (int level = 0; level <= options.Depth; ++level) {
        const TBenchFolder folder = PrepareBenchFolderAt(path, options.Entries);
        if (folder.Entries != options.Entries) return {};
        chain.push_back(path);
        path += L"\\folder 0000000";
    }
    return chain;
}

// One listing of the folder by a view that no tree follows, from an empty folder each time.
double MeasureListing(TShellListView& alone, LPCITEMIDLIST folder, LPCITEMIDLIST empty, int reps)
{
    std::vector<double> times;
    for (int rep = 0; rep < reps; ++rep) {
        alone.SetFolderIDList(empty);
        Pump();
        const double start = Now();
        alone.SetFolderIDList(folder);
        times.push_back(Now() - start);
        Pump();
    }
    return Median(times);
}

// Five steps down, opening the next folder's row, and as many back up with Backspace.
std::vector<TStep> Walk(TShellListView& view, TCountingTree& tree, const std::vector<std::wstring>& chain,
                        const std::vector<double>& listingMs)
{
    std::vector<TStep> steps;
    auto timed = [&](const std::wstring& name, size_t entered, auto&& step) {
        const int reads = tree.Reads;
        const double start = Now();
        step();
        steps.push_back({name, Now() - start, listingMs[entered], tree.Reads - reads});
        Pump();
    };
    for (size_t level = 1; level < chain.size(); ++level) {
        int row = view.FileList().Count() - 1;
        while (row >= 0 && view.FileList().ItemAt(row)->DisplayName() != L"folder 0000000") --row;
        if (row < 0) {
            std::printf("  the list does not show %ls\n", chain[level].c_str());
            return steps;
        }
        timed(L"down to level " + std::to_wstring(level), level, [&] { view.ExecuteItem(row, 0, {}, 0, 0); });
    }
    for (size_t level = chain.size() - 1; level > 0; --level)
        timed(L"up to level " + std::to_wstring(level - 1), level - 1,
              [&] { SendMessageW(view.Handle(), WM_KEYDOWN, VK_BACK, 0); });
    return steps;
}

void PrintWalk(const char* title, const std::vector<TStep>& steps)
{
    std::printf("\n%s\n%-16s %9s %12s %8s %11s\n", title, "step", "ms", "listing ms", "x", "tree reads");
    double worst = 0;
    for (const TStep& step : steps) {
        const double ratio = step.ListingMs > 0 ? step.Ms / step.ListingMs : 0;
        worst = std::max(worst, ratio);
        std::printf("%-16ls %9.1f %12.1f %8.2f %11d\n", step.Name.c_str(), step.Ms, step.ListingMs, ratio,
                    step.TreeReads);
    }
    std::printf("worst step: %.2f x one listing of the folder entered (aim 1.2)\n", worst);
    std::fflush(stdout);
}

TOptions ParseOptions(int argc, wchar_t** argv)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--keep") options.Keep = true;
        else if (arg == L"--entries" && i + 1 < argc) options.Entries = std::max(200, _wtoi(argv[++i]));
        else if (arg == L"--depth" && i + 1 < argc) options.Depth = std::max(1, _wtoi(argv[++i]));
        else if (arg == L"--reps" && i + 1 < argc) options.Reps = std::max(1, _wtoi(argv[++i]));
    }
    return options;
}

int Run(const TOptions& options)
{
    TShellLibraryScope shellLibrary;
    TApplication application;
    application.Initialize();
    const std::vector<std::wstring> chain = PrepareChain(options);
    const std::wstring empty = PrepareEmptyFolder();
    const TIDListPtr emptyList = ListOfPath(empty);
    if (chain.empty() || !emptyList) {
        std::printf("the folders could not be made\n");
        return 1;
    }
    // The form stays hidden: nothing paints behind the measurements' back.
    auto form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"tree steps", .ClientWidth = 900,
                                                             .ClientHeight = 520, .Left = 100, .Top = 20});
    TShellListView* alone = form->Create<TShellListView>(form.get(), TBounds{0, 0, 290, 500});
    alone->SetViewStyle(vsReport);
    alone->Loaded();
    std::vector<double> listingMs;
    for (const std::wstring& path : chain) listingMs.push_back(MeasureListing(*alone, ListOfPath(path).get(), emptyList.get(), options.Reps));

    TShellListView* view = form->Create<TShellListView>(form.get(), TBounds{300, 0, 290, 500});
    view->SetViewStyle(vsReport);
    view->Loaded();
    TCountingTree* tree = form->Create<TCountingTree>(form.get(), TBounds{600, 0, 290, 500});
    tree->SetShellListView(view);
    tree->Loaded();
    Pump();
    const TIDListPtr top = ListOfPath(chain.front());
    view->SetFolderIDList(top.get());
    tree->SelectIDList(top.get());
    Pump();
    std::printf("%zu folders of %d items below %ls, listings median of %d\n", chain.size(), options.Entries,
                chain.front().c_str(), options.Reps);
    PrintWalk("first walk: the tree meets each folder for the first time", Walk(*view, *tree, chain, listingMs));
    PrintWalk("second walk: every node on the way is read already", Walk(*view, *tree, chain, listingMs));
    form.reset();
    RemoveBenchFolder(empty);
    if (!options.Keep) RemoveBenchFolder(chain.front());
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
