#include "bench/listing_folders.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwctype>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {
constexpr std::array<const wchar_t*, 5> kPrefixes = {L"amber", L"birch", L"cedar", L"delta", L"ember"};
constexpr std::array<const wchar_t*, 8> kExtensions = {L"txt", L"log", L"csv", L"html", L"bmp", L"ini", L"c", L"dat"};
constexpr int kExecutables = 6, kShortcuts = 6;

std::wstring TempRoot()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

std::wstring Padded(int value)
{
    wchar_t text[16];
    swprintf(text, 16, L"%07d", value);
    return text;
}

// Wine looks for every new name through the whole folder, in case another
// spelling of it exists, which makes filling a big folder take minutes; under
// its own Unix form of the path it takes the name as given.
std::wstring CreationPath(const std::wstring& path)
{
    using TUnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return path;
    std::wstring unixPath(size_t(MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name, -1, unixPath.data(), int(unixPath.size()));
    HeapFree(GetProcessHeap(), 0, name);
    unixPath.pop_back();
    std::replace(unixPath.begin(), unixPath.end(), L'/', L'\\');
    return L"\\\\?\\unix" + unixPath;
}

// Sizes and times spread so that sorting by them has work to do; the files are
// extended, not written, so a big folder costs little disk.
bool CreatePlainFile(const std::wstring& path, int seed)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (seed % 13 == 0) attributes = FILE_ATTRIBUTE_HIDDEN;
    else if (seed % 7 == 0) attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    size.QuadPart = (static_cast<long long>(seed) * 7919) % 30000;
    if (size.QuadPart > 0) {
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER written{{now.dwLowDateTime, now.dwHighDateTime}};
    written.QuadPart -= ULONGLONG((static_cast<long long>(seed) * 104729) % 500000) * 60 * 10000000ULL;
    const FILETIME time{written.LowPart, written.HighPart};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return true;
}

// Small programs with icons of their own; this program when Wine has none of them.
std::vector<std::wstring> ExecutableSources()
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::vector<std::wstring> sources;
    for (const wchar_t* name : {L"notepad.exe", L"winemine.exe", L"clock.exe", L"winver.exe", L"write.exe"}) {
        const std::wstring path = std::wstring(system) + L'\\' + name;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) sources.push_back(path);
    }
    if (sources.empty()) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        sources.push_back(self);
    }
    return sources;
}

bool CreateShortcut(const std::wstring& path, const std::wstring& target)
{
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return false;
    link->SetPath(target.c_str());
    ComPtr<IPersistFile> file;
    return SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(path.c_str(), TRUE));
}

// The name of plain file `index`: the prefixes and extensions interleave, so
// that any stretch of rows sorted by name mixes the kinds.
std::wstring PlainName(int index)
{
    return std::wstring(kPrefixes[size_t(index) % kPrefixes.size()]) + L' ' + Padded(index) + L'.' +
           kExtensions[size_t(index) % kExtensions.size()];
}

bool BuildFolder(const std::wstring& path, int entries)
{
    if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
    const int folders = std::max(5, entries / 100);
    const int plain = entries - folders - kExecutables - kShortcuts;
    const std::wstring where = CreationPath(path);
    for (int i = 0; i < folders; ++i)
        if (!CreateDirectoryW((where + L"\\folder " + Padded(i)).c_str(), nullptr)) return false;
    for (int i = 0; i < plain; ++i) {
        if (!CreatePlainFile(where + L'\\' + PlainName(i), i)) return false;
        if (i > 0 && i % 10000 == 0) std::printf("  %d files\n", i), std::fflush(stdout);
    }
    // Two of each kind near the top, the rest where the middle of the name order falls:
    // among the plain files of the third prefix, after the folders, the first two
    // prefixes' files and the four items near the top; five numbers a row.
    auto filesOfPrefix = [plain](int prefix) { return (plain - prefix + 4) / 5; };
    const int rowsBefore = folders + filesOfPrefix(0) + 4 + filesOfPrefix(1);
    const int middle = 2 + 5 * std::max(14, entries / 2 - rowsBefore);
    const std::array<int, 6> anchors = {0, 5, middle - 70, middle - 25, middle + 20, middle + 65};
    const std::vector<std::wstring> sources = ExecutableSources();
    for (int i = 0; i < kExecutables; ++i) {
        const std::wstring name = std::wstring(kPrefixes[size_t(anchors[size_t(i)]) % 5]) + L' ' +
                                  Padded(anchors[size_t(i)]) + L" tool.exe";
        if (!CopyFileW(sources[size_t(i) % sources.size()].c_str(), (path + L'\\' + name).c_str(), FALSE))
            return false;
    }
    for (int i = 0; i < kShortcuts; ++i) {
        const int anchor = anchors[size_t(i)] + 5;
        const std::wstring name = std::wstring(kPrefixes[size_t(anchor) % 5]) + L' ' + Padded(anchor) + L" link.lnk";
        // Shortcuts to programs with different icons, and to a plain file.
        const std::wstring target = i % 3 == 2 ? path + L'\\' + PlainName(1) : sources[size_t(i) % sources.size()];
        if (!CreateShortcut(path + L'\\' + name, target)) return false;
    }
    return CountEntries(path) == entries;
}
}  // namespace

int CountEntries(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

TBenchFolder PrepareBenchFolder(int entries)
{
    return PrepareBenchFolderAt(TempRoot() + L"tessaly-bench-listing-" + std::to_wstring(entries), entries);
}

TBenchFolder PrepareBenchFolderAt(const std::wstring& path, int entries)
{
    TBenchFolder folder{path, entries, false};
    if (CountEntries(folder.Path) == entries) {
        folder.Reused = true;
        return folder;
    }
    RemoveBenchFolder(folder.Path);
    std::printf("making a folder of %d items ...\n", entries);
    std::fflush(stdout);
    const ULONGLONG start = GetTickCount64();
    if (!BuildFolder(folder.Path, entries)) {
        std::printf("could not make %ls\n", folder.Path.c_str());
        folder.Entries = CountEntries(folder.Path);
    }
    std::printf("  made in %.1f s\n", double(GetTickCount64() - start) / 1000);
    return folder;
}

std::wstring PrepareEmptyFolder()
{
    const std::wstring path = TempRoot() + L"tessaly-bench-listing-empty";
    RemoveBenchFolder(path);
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void RemoveBenchFolder(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName, item = path + L'\\' + name;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveBenchFolder(item);
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(item.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

bool IsPerInstanceName(const std::wstring& name)
{
    std::wstring lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return lower.ends_with(L".exe") || lower.ends_with(L".lnk");
}
