// How much processor time tessaly.exe uses while it waits parked: starts it
// beside this program, lets it settle, then measures its kernel and user
// time over a quiet stretch. Usage: idle_cpu.exe [seconds=20]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

ULONGLONG CpuTime100ns(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return value(kernel) + value(user);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int seconds = argc > 1 ? _wtoi(argv[1]) : 20;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe = path;
    exe = L"\"" + exe.substr(0, exe.find_last_of(L'\\') + 1) + L"tessaly.exe\"";

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, exe.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start tessaly.exe: %lu\n", GetLastError());
        return 1;
    }
    WaitForInputIdle(pi.hProcess, 10000);
    Sleep(3000);  // start-up is not idling

    const ULONGLONG before = CpuTime100ns(pi.hProcess);
    const ULONGLONG start = GetTickCount64();
    Sleep(DWORD(seconds) * 1000);
    const ULONGLONG used = CpuTime100ns(pi.hProcess) - before;
    const ULONGLONG elapsed = GetTickCount64() - start;

    std::printf("idle for %.1f s: %.1f ms of CPU time (%.3f%% of one core)\n", elapsed / 1000.0,
                used / 10000.0, 100.0 * (used / 10000.0) / double(elapsed));
    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
