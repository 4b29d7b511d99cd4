#pragma once
// The folders the listing benchmark lists: a realistic mix of files under
// the temp directory, made once and reused while they hold the right count.
#include <windows.h>

#include <string>

struct TBenchFolder {
    std::wstring Path;
    int Entries = 0;
    bool Reused = false;
};

// The folder of `entries` items (files of several kinds, some subfolders, a
// few executables and shortcuts), made when it is missing or holds another count.
TBenchFolder PrepareBenchFolder(int entries);
// The same at a path of the caller's.
TBenchFolder PrepareBenchFolderAt(const std::wstring& path, int entries);
// An empty folder beside them, for a listing that holds no rows.
std::wstring PrepareEmptyFolder();
// The items in a folder; -1 when it cannot be read.
int CountEntries(const std::wstring& path);
// Deletes a folder made by the two above, with everything in it.
void RemoveBenchFolder(const std::wstring& path);
// True for the kinds whose icon is their own (executables, shortcuts).
bool IsPerInstanceName(const std::wstring& name);
