// Tessaly as a user lives with it, all day in the background, set against a
// minimal resident tray program of our own (bench/baseline.cpp) started in
// the same run: processor time while parked, memory, start-up, how soon the
// bar comes in at the edge and an outside change shows in it, and handles
// and threads over navigations and show/park cycles.
// Usage: bench_program.exe [--idle seconds] [--cycles count]
#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "bench/desk_input.h"
#include "bench/listing_folders.h"
#include "bench/process_figures.h"

namespace {
constexpr int kBigFolder = 10000;
// The only Desktop item with its first letter, so that one key finds it.
constexpr const wchar_t* kBigName = L"Q bench";

struct TFigures {
    double WorkingSetMiB = 0, PrivateMiB = 0;
    int Handles = 0, Threads = 0;
};

// A program of the run and what the system tells of it.
class TProgram {
public:
    explicit TProgram(std::wstring name) : FName(std::move(name)) {}
    ~TProgram()
    {
        if (!FProcess.hProcess) return;
        TerminateProcess(FProcess.hProcess, 0);
        CloseHandle(FProcess.hProcess);
        CloseHandle(FProcess.hThread);
    }

    bool Start(const std::wstring& folder)
    {
        std::wstring command = L"\"" + folder + FName + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &FProcess);
    }
    DWORD Pid() const { return FProcess.dwProcessId; }
    const std::wstring& Name() const { return FName; }

    double CpuSeconds() { return LinuxCpuSeconds(ProcFolder()); }

    TFigures Figures()
    {
        TFigures figures;
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(FProcess.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
            figures.WorkingSetMiB = double(memory.WorkingSetSize) / (1 << 20);
            figures.PrivateMiB = double(memory.PrivateUsage) / (1 << 20);
        }
        // Wine leaves the private bytes at 0: then the resident private memory that Linux counts stands in.
        if (figures.PrivateMiB == 0) {
            if (figures.WorkingSetMiB == 0) figures.WorkingSetMiB = LinuxStatusMiB(ProcFolder(), "VmRSS:");
            figures.PrivateMiB = LinuxStatusMiB(ProcFolder(), "RssAnon:");
        }
        figures.Handles = HandleCount(Pid());
        figures.Threads = ThreadCount(Pid());
        return figures;
    }

private:
    const std::wstring& ProcFolder()
    {
        if (FProcFolder.empty()) FProcFolder = LinuxProcFolder(FName);
        return FProcFolder;
    }

    std::wstring FName;
    std::wstring FProcFolder;
    PROCESS_INFORMATION FProcess{};
};

void PrintRange(const char* what, const std::vector<double>& ms, const char* aim)
{
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    std::printf("| %-28s | %6.2f s (%.2f to %.2f, %zu runs) | %s |\n", what, Median(ms) / 1000, *low / 1000,
                *high / 1000, ms.size(), aim);
    for (double value : ms)
        if (value < 0) std::printf("  (a run of \"%s\" timed out)\n", what);
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (FAILED(OleInitialize(nullptr))) return 2;  // the big folder's shortcuts are made through the shell
    int idleSeconds = 60, cycles = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!wcscmp(argv[i], L"--idle")) idleSeconds = _wtoi(argv[i + 1]);
        if (!wcscmp(argv[i], L"--cycles")) cycles = _wtoi(argv[i + 1]);
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring folder = std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\') + 1);
    const TBenchFolder big = PrepareBenchFolderAt(DesktopDirectory() + L"\\" + kBigName, kBigFolder);
    MovePointer(kAway);

    TProgram baseline(L"bench_baseline.exe"), tessaly(L"tessaly.exe");
    TSideBar bar;
    // One after the other, so that neither start waits for the other's.
    if (!baseline.Start(folder)) return std::printf("cannot start %ls\n", baseline.Name().c_str()), 1;
    const double baselineStartup =
        WaitFor([&] { return FindWindowW(L"TessalyBenchBaseline", L"ready") != nullptr; }, 30000);
    if (!tessaly.Start(folder)) return std::printf("cannot start %ls\n", tessaly.Name().c_str()), 1;
    const double tessalyStartup = WaitFor([&] { return bar.Find(tessaly.Pid()) && bar.Parked(); }, 30000);
    if (tessalyStartup < 0) return std::printf("the side bar never appeared parked\n"), 1;
    WaitFor([] { return false; }, 3000);  // start-up work settles
    const TFigures baseStart = baseline.Figures(), start = tessaly.Figures();

    // Processor time of both programs over the idle time, the side bar parked.
    const auto idle = [&](const char* when) {
        std::printf("idling for %d s %s ...\n", idleSeconds, when);
        std::fflush(stdout);
        const double baseCpu0 = baseline.CpuSeconds(), cpu0 = tessaly.CpuSeconds();
        WaitFor([] { return false; }, idleSeconds * 1000.0);
        return std::pair{tessaly.CpuSeconds() - cpu0, baseline.CpuSeconds() - baseCpu0};
    };
    const auto [cpu, baseCpu] = idle("after start");

    std::vector<double> shows, changes;
    for (int i = 0; i < 5; ++i) {
        shows.push_back(ShowAtEdge(bar));
        Park(bar);
    }
    // The parked bar lists the Desktop; another program adds a file there.
    const std::wstring outside = DesktopDirectory() + L"\\tessaly-bench-outside.txt";
    for (int i = 0; i < 3; ++i) {
        const int rows = bar.Rows();
        CloseHandle(CreateFileW(outside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        changes.push_back(WaitFor([&] { return bar.Rows() == rows + 1; }, 10000));
        DeleteFileW(outside.c_str());
        WaitFor([&] { return bar.Rows() == rows; }, 10000);
    }

    // Twenty navigations: into the big folder by its name and back up, ten times.
    std::printf("navigating ...\n");
    std::fflush(stdout);
    ShowAtEdge(bar);
    const RECT list = [&] { RECT r{}; GetWindowRect(bar.List, &r); return r; }();
    Click(POINT{list.left + 10, list.bottom - 10});
    const int desktopRows = bar.Rows();
    TFigures afterBig{};
    int navigations = 0;
    for (int round = 0; round < 10; ++round) {
        // A letter typed soon after another extends the search; this one starts anew.
        WaitFor([] { return false; }, 1000);
        // From the first row: a first letter typed on a row that has it moves on to the next such row.
        Key(VK_HOME);
        Key('Q');
        Key(VK_RETURN);
        if (WaitFor([&] { return bar.Rows() == big.Entries; }, 30000) >= 0) ++navigations;
        else std::printf("  round %d: the big folder was not listed (%d rows)\n", round, bar.Rows());
        Key(VK_BACK);
        if (WaitFor([&] { return bar.Rows() == desktopRows; }, 30000) >= 0) ++navigations;
        else std::printf("  round %d: the Desktop was not listed again (%d rows)\n", round, bar.Rows());
        if (round == 0) {
            WaitFor([] { return false; }, 2000);
            afterBig = tessaly.Figures();
        }
    }
    WaitFor([] { return false; }, 2000);
    const TFigures afterNavigations = tessaly.Figures();
    Park(bar);

    std::printf("%d show/park cycles ...\n", cycles);
    std::fflush(stdout);
    for (int i = 0; i < cycles; ++i) {
        ShowAtEdge(bar);
        Park(bar);
    }
    WaitFor([] { return false; }, 2000);
    const TFigures afterCycles = tessaly.Figures();
    // Back at the Desktop after the big folder's visits: what they left behind must cost nothing.
    const auto [visitedCpu, visitedBaseCpu] = idle("after the visits");

    std::printf("\n| figure | Tessaly | baseline | aim |\n|---|---|---|---|\n");
    std::printf("| CPU while parked, %d s | %.2f s = %.3f %% of a core | %.2f s = %.3f %% | within 2 x the baseline, "
                "under 0.2 %% |\n",
                idleSeconds, cpu, cpu * 100 / idleSeconds, baseCpu, baseCpu * 100 / idleSeconds);
    std::printf("| CPU while parked after the visits, %d s | %.2f s = %.3f %% of a core | %.2f s = %.3f %% | within 2 x "
                "the baseline |\n",
                idleSeconds, visitedCpu, visitedCpu * 100 / idleSeconds, visitedBaseCpu,
                visitedBaseCpu * 100 / idleSeconds);
    std::printf("| start-up | %.2f s | %.2f s | under 1 s more than the baseline |\n", tessalyStartup / 1000,
                baselineStartup / 1000);
    std::printf("| memory after start (working set / private) | %.1f / %.1f MiB | %.1f / %.1f MiB | reported |\n",
                start.WorkingSetMiB, start.PrivateMiB, baseStart.WorkingSetMiB, baseStart.PrivateMiB);
    std::printf("| memory after %d items and back | %.1f / %.1f MiB | | |\n", big.Entries, afterBig.WorkingSetMiB,
                afterBig.PrivateMiB);
    std::printf("| memory after %d show/park cycles | %.1f / %.1f MiB | | at most 5 %% above the line before |\n",
                cycles, afterCycles.WorkingSetMiB, afterCycles.PrivateMiB);
    std::printf("| handles: start, 2 navigations, %d navigations, %d cycles | %d, %d, %d, %d | %d | no growth |\n",
                navigations, cycles, start.Handles, afterBig.Handles, afterNavigations.Handles, afterCycles.Handles,
                baseStart.Handles);
    std::printf("| threads: start, 2 navigations, %d navigations, %d cycles | %d, %d, %d, %d | %d | no growth |\n",
                navigations, cycles, start.Threads, afterBig.Threads, afterNavigations.Threads, afterCycles.Threads,
                baseStart.Threads);
    std::printf("\n| latency | median (range) | aim |\n|---|---|---|\n");
    PrintRange("show at the edge", shows, "0.7 to 1.2 s");
    PrintRange("outside change to its row", changes, "2.0 to 3.0 s");
    return 0;
}
