#pragma once
// What the system tells of a process during a benchmark. Wine accounts no
// processor time and no private bytes to its processes and answers no handle
// count of its own, so those come from Linux's /proc (read through the Z:
// drive) and from the system handle table.
#include <windows.h>

#include <string>

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

// The /proc folder of the Linux process that runs `program`; empty when none does.
std::wstring LinuxProcFolder(const std::wstring& program);
// User and system time in seconds as Linux counts it; -1 when unknown.
double LinuxCpuSeconds(const std::wstring& procFolder);
// A figure of the folder's status text, in MiB ("VmRSS:", "RssAnon:").
double LinuxStatusMiB(const std::wstring& procFolder, const char* key);

// Entries of the system handle table that the process owns.
int HandleCount(DWORD pid);
int ThreadCount(DWORD pid);
