// Tessaly as a user lives with it, all day in the background, set against a
// minimal resident tray program of our own (bench/baseline.cpp) started in
// the same run: processor time while parked, memory, start-up, how soon the
// bar comes in at the edge and an outside change shows in it, and handles
// and threads over navigations and show/park cycles.
// Usage: bench_program.exe [--idle seconds] [--cycles count]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "bench/listing_folders.h"

namespace {
constexpr int kBigFolder = 10000;
// The only Desktop item with its first letter, so that one key finds it.
constexpr const wchar_t* kBigName = L"Q bench";
constexpr POINT kAway{640, 400};
constexpr POINT kEdge{0, 300};

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Waits, serving this program's messages, until `done` holds; the time it took, or -1 past the limit.
double WaitFor(const std::function<bool()>& done, double limitMs)
{
    const double start = Now();
    while (!done()) {
        if (Now() - start > limitMs) return -1;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    return Now() - start;
}

std::string ReadWholeFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

// The number after `key` in a /proc status text, in KiB.
double StatusKiB(const std::string& status, const char* key)
{
    const size_t at = status.find(key);
    return at == std::string::npos ? 0 : std::atof(status.c_str() + at + std::strlen(key));
}

struct TFigures {
    double WorkingSetMiB = 0, PrivateMiB = 0;
    int Handles = 0, Threads = 0;
};

// A program of the run and what the system tells of it. Wine accounts no
// processor time to its processes, so that comes from Linux: its /proc,
// read through the Z: drive.
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

    // User and system time in seconds, as Linux counts it.
    double CpuSeconds()
    {
        const std::string stat = ReadWholeFile(ProcPath() + L"\\stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) return -1;
        // After the name: state, then fields 4 to 13, then utime and stime (clock ticks of 1/100 s).
        std::vector<double> fields;
        for (const char* p = stat.c_str() + close + 2; *p;) {
            char* end = nullptr;
            fields.push_back(std::strtod(p, &end));
            if (end == p) ++p;
            else p = end;
            while (*p == ' ') ++p;
        }
        return fields.size() > 12 ? (fields[11] + fields[12]) / 100.0 : -1;
    }

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
            const std::string status = ReadWholeFile(ProcPath() + L"\\status");
            if (figures.WorkingSetMiB == 0) figures.WorkingSetMiB = StatusKiB(status, "VmRSS:") / 1024;
            figures.PrivateMiB = StatusKiB(status, "RssAnon:") / 1024;
        }
        figures.Handles = HandleCount();
        figures.Threads = ThreadCount();
        return figures;
    }

private:
    // The Linux process whose command line names this program.
    std::wstring ProcPath()
    {
        if (!FUnixPid.empty()) return L"Z:\\proc\\" + FUnixPid;
        std::string wanted(FName.begin(), FName.end());
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
        if (search == INVALID_HANDLE_VALUE) return {};
        do {
            if (!iswdigit(entry.cFileName[0])) continue;
            const std::string command = ReadWholeFile(std::wstring(L"Z:\\proc\\") + entry.cFileName + L"\\cmdline");
            if (command.find(wanted) != std::string::npos) FUnixPid = entry.cFileName;
        } while (FUnixPid.empty() && FindNextFileW(search, &entry));
        FindClose(search);
        return L"Z:\\proc\\" + FUnixPid;
    }

    // Entries of the system handle table (Wine answers no count of its own).
    int HandleCount() const
    {
        struct TEntry {
            ULONG OwnerPid;
            BYTE ObjectType, Flags;
            USHORT Value;
            PVOID Object;
            ACCESS_MASK Access;
        };
        using TQuery = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
        static const auto query = reinterpret_cast<TQuery>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
        std::vector<BYTE> buffer(1 << 16);
        ULONG needed = 0;
        LONG status;
        while ((status = query(16, buffer.data(), ULONG(buffer.size()), &needed)) == LONG(0xC0000004))
            buffer.resize(buffer.size() * 2);
        if (status < 0) return -1;
        const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
        const auto* entries = reinterpret_cast<const TEntry*>(buffer.data() + sizeof(void*));
        int owned = 0;
        for (ULONG i = 0; i < count; ++i) owned += entries[i].OwnerPid == Pid();
        return owned;
    }

    int ThreadCount() const
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        int threads = 0;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
            threads += entry.th32OwnerProcessID == Pid();
        CloseHandle(snapshot);
        return threads;
    }

    std::wstring FName;
    std::wstring FUnixPid;
    PROCESS_INFORMATION FProcess{};
};

// The side bar of the program under test, and its listing.
struct TSideBar {
    HWND Window = nullptr, List = nullptr;

    bool Find(DWORD pid)
    {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, L"Tessaly"));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w)) Window = w;
        }
        List = Window ? FindWindowExW(Window, nullptr, L"SysListView32", nullptr) : nullptr;
        return List != nullptr;
    }
    RECT Bounds() const
    {
        RECT r{};
        GetWindowRect(Window, &r);
        return r;
    }
    bool Parked() const { return Bounds().right <= 0; }
    bool Shown() const { return Bounds().left >= 0; }
    int Rows() const { return int(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0)); }
};

// Under Wine a move of the pointer reaches the other programs a little later, and now and
// then not at all: it is made again until the system reports it.
void MovePointer(POINT to)
{
    WaitFor([&] {
        POINT at{};
        GetCursorPos(&at);
        if (at.x == to.x && at.y == to.y) return true;
        SetCursorPos(to.x, to.y);
        return false;
    }, 2000);
}

void Key(WORD key)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void Click(POINT at)
{
    MovePointer(at);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Rests the pointer on the edge until the bar is in; the time it took.
double ShowAtEdge(const TSideBar& bar)
{
    const double start = Now();
    MovePointer(kEdge);
    if (WaitFor([&] { return bar.Shown(); }, 5000) < 0) return -1;
    return Now() - start;
}

void Park(const TSideBar& bar)
{
    MovePointer(kAway);
    WaitFor([&] { return bar.Parked(); }, 5000);
}

std::wstring DesktopDirectory()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

    std::printf("idling for %d s ...\n", idleSeconds);
    std::fflush(stdout);
    const double baseCpu0 = baseline.CpuSeconds(), cpu0 = tessaly.CpuSeconds();
    WaitFor([] { return false; }, idleSeconds * 1000.0);
    const double baseCpu = baseline.CpuSeconds() - baseCpu0, cpu = tessaly.CpuSeconds() - cpu0;

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

    std::printf("\n| figure | Tessaly | baseline | aim |\n|---|---|---|---|\n");
    std::printf("| CPU while parked, %d s | %.2f s = %.3f %% of a core | %.2f s = %.3f %% | within 2 x the baseline, "
                "under 0.2 %% |\n",
                idleSeconds, cpu, cpu * 100 / idleSeconds, baseCpu, baseCpu * 100 / idleSeconds);
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
