#include "bench/process_figures.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <vector>

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

std::wstring LinuxProcFolder(const std::wstring& program)
{
    const std::string wanted(program.begin(), program.end());
    std::wstring found;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
        if (!iswdigit(entry.cFileName[0])) continue;
        const std::wstring folder = std::wstring(L"Z:\\proc\\") + entry.cFileName;
        // Wine's process names the program first; a script or a timeout that started it names it later.
        const std::string command = ReadWholeFile(folder + L"\\cmdline");
        if (std::string(command.c_str()).ends_with(wanted)) found = folder;
    } while (found.empty() && FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

double LinuxCpuSeconds(const std::wstring& procFolder)
{
    const std::string stat = ReadWholeFile(procFolder + L"\\stat");
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

double LinuxStatusMiB(const std::wstring& procFolder, const char* key)
{
    const std::string status = ReadWholeFile(procFolder + L"\\status");
    const size_t at = status.find(key);
    return at == std::string::npos ? 0 : std::atof(status.c_str() + at + std::strlen(key)) / 1024;
}

int HandleCount(DWORD pid)
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
    for (ULONG i = 0; i < count; ++i) owned += entries[i].OwnerPid == pid;
    return owned;
}

int ThreadCount(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int threads = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        threads += entry.th32OwnerProcessID == pid;
    CloseHandle(snapshot);
    return threads;
}
