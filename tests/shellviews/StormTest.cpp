// Another program makes, renames and deletes thousands of entries in a
// listed folder. The views must end equal to the folder, answer messages all
// along, and report nothing once the changes have settled.
#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/common/Platform.h"
#include "tests/shellviews/ListViewFixture.h"
#include "tests/shellviews/ShellTreeFixture.h"
#include "ui/Thread.h"

namespace {
// The longest a message may wait for its answer. A refresh under the storm
// takes well under a second here, and up to two with both cores busy; a tree
// that laid itself out again for every new folder kept messages waiting for
// eight seconds and more.
constexpr DWORD kAnswerLimitMs = 5000;
constexpr DWORD kStormLimitMs = 180000;
// The longest a listing may take to show the folder's state after the storm:
// the watchers' quiet time, a refresh and a margin for a busy machine.
constexpr DWORD kSettleLimitMs = 20000;
// Longer than a report's settle time, so that reports that follow one
// another cannot all miss it.
constexpr DWORD kQuietMs = TShFilesWatcher::DefaultSettleMs + 1000;
constexpr const char* kLinuxOnly = "the storm runs as a Linux program beside Wine";

// A window of this thread that answers a posted message by setting the
// event it carries.
class TAnswerWindow {
public:
    TAnswerWindow()
    {
        WNDCLASSW cls{};
        cls.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
            SetEvent(reinterpret_cast<HANDLE>(lParam));
            return 0;
        };
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"TessalyTestAnswer";
        RegisterClassW(&cls);
        FWindow = CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance,
                                  nullptr);
    }
    ~TAnswerWindow() { DestroyWindow(FWindow); }
    HWND Handle() const { return FWindow; }

private:
    HWND FWindow;
};

std::string ReadAll(const std::wstring& path)
{
    std::string text;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

// Wine's name of a path for Linux programs.
std::string UnixPath(const std::wstring& path)
{
    using TUnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName =
        reinterpret_cast<TUnixName>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::wstring Quoted(const std::string& text)
{
    return L"\"" + std::wstring(text.begin(), text.end()) + L"\"";
}

// Runs tools/filestorm.pl on a folder while this thread pumps messages, and
// counts the messages that waited longer than a second for their answer.
struct StormResult {
    std::string Outcome;  // "ok", or what failed
    int LateAnswers = 0;
    int Answers = 0;
    ULONGLONG LongestMs = 0;
};

StormResult RunStorm(const std::wstring& folder, int count, const wchar_t* kind)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring script = std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\') + 1) + L"filestorm.pl";
    const std::wstring done = folder + L".storm-done";
    DeleteFileW(done.c_str());
    std::wstring command = L"Z:\\usr\\bin\\perl " + Quoted(UnixPath(script)) + L" " + Quoted(UnixPath(folder)) + L" " +
                           std::to_wstring(count) + L" " + kind + L" " + Quoted(UnixPath(done));
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    StormResult result;
    // Wine starts a Linux program, but gives no handle to wait for it: it tells its end by a file.
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "the storm did not start: " << GetLastError();
        return result;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    TAnswerWindow answers;
    TEvent stop{true};
    std::atomic<bool> finished{false};
    std::atomic<int> late{0}, answered{0};
    std::atomic<ULONGLONG> longest{0};
    std::thread watchdog([&] {
        TEvent answer{false};
        // A question every 50 ms, until the storm is over.
        do {
            const ULONGLONG asked = GetTickCount64();
            PostMessageW(answers.Handle(), WM_APP, 0, reinterpret_cast<LPARAM>(answer.Handle()));
            if (WaitForSingleObject(answer.Handle(), kAnswerLimitMs) != WAIT_OBJECT_0) {
                ++late;
                WaitForSingleObject(answer.Handle(), INFINITE);
            }
            longest = std::max<ULONGLONG>(longest, GetTickCount64() - asked);
            ++answered;
        } while (WaitForSingleObject(stop.Handle(), 50) == WAIT_TIMEOUT);
        finished = true;
    });
    const bool ended = PumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                                 kStormLimitMs);
    stop.Set();
    PumpUntil([&] { return bool(finished); }, 10000);  // it may wait for one last answer
    watchdog.join();
    result.LateAnswers = late;
    result.Answers = answered;
    result.LongestMs = longest;
    result.Outcome = ended ? ReadAll(done) : "the storm did not end";
    DeleteFileW(done.c_str());
    return result;
}

// The names in a folder, sorted; folders only when asked.
std::vector<std::wstring> EntriesOf(const std::wstring& folder, bool foldersOnly)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (!foldersOnly || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

TEST_F(ListViewTest, AStormOfTenThousandFilesEndsInTheFoldersStateAndLeavesTheProgramAnswering)
{
    if (!UnderWine()) GTEST_SKIP() << kLinuxOnly;
    for (const wchar_t* name : {L"keep1.txt", L"keep2.txt", L"keep3.txt"}) Folder.AddFile(name);
    ListPath(Folder.Path());
    const StormResult storm = RunStorm(Folder.Path(), 10000, L"files");
    ASSERT_EQ(storm.Outcome, "ok");
    EXPECT_EQ(storm.LateAnswers, 0) << "of " << storm.Answers << " messages; the longest waited "
                                     << storm.LongestMs << " ms";

    const std::vector<std::wstring> expected = EntriesOf(Folder.Path(), false);
    ASSERT_EQ(expected, (std::vector<std::wstring>{L"keep1.txt", L"keep2.txt", L"keep3.txt"}));
    EXPECT_TRUE(PumpUntil([&] { return Sorted(Names()) == expected; }, kSettleLimitMs));
    EXPECT_EQ(View->ItemCount(), 3);
    // The last burst may still be reported once the listing already shows it:
    // its notifications can reach the watcher after the refresh that read the
    // folder. What must not happen is a report that brings on another one.
    int changes = ListChanges;
    ULONGLONG lastChange = GetTickCount64();
    EXPECT_TRUE(PumpUntil([&] {
        if (ListChanges != changes) {
            changes = ListChanges;
            lastChange = GetTickCount64();
        }
        return GetTickCount64() - lastChange > kQuietMs;
    }, kSettleLimitMs)) << "the reports go on after the changes settled";
    EXPECT_EQ(Sorted(Names()), expected);
}

TEST_F(ShellTreeTest, AStormOfAThousandFoldersEndsInTheFoldersStateAndLeavesTheProgramAnswering)
{
    if (!UnderWine()) GTEST_SKIP() << kLinuxOnly;
    const std::wstring root = MakeWatchedRoot(L"storm");
    CreateDirectoryW((root + L"\\keep").c_str(), nullptr);
    TTreeNode* node = NodeOfPath(root);
    ASSERT_NE(node, nullptr);
    node->Expand(false);
    const StormResult storm = RunStorm(root, 1000, L"folders");
    ASSERT_EQ(storm.Outcome, "ok");
    EXPECT_EQ(storm.LateAnswers, 0) << "of " << storm.Answers << " messages; the longest waited "
                                     << storm.LongestMs << " ms";
    EXPECT_EQ(EntriesOf(root, true), std::vector<std::wstring>{L"keep"});
    EXPECT_TRUE(PumpUntil([&] { return ChildNames(node) == std::vector<std::wstring>{L"keep"}; }, kSettleLimitMs));
    EXPECT_TRUE(node->Expanded());
}
