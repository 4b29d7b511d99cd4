// The example browser as a user starts it: its own process, driven from
// outside through its windows, and read back as a person would see it.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <wrl/client.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/common/Pump.h"

namespace {

using Names = std::vector<std::wstring>;

constexpr DWORD kStartLimit = 20000;  // the first start in a fresh Wine desktop is slow
constexpr DWORD kLimit = 10000;

std::wstring BrowserPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring own = path;
    return own.substr(0, own.find_last_of(L'\\') + 1) + L"shellbrowser.exe";
}

std::wstring DesktopDirectory()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring ClassOf(HWND wnd)
{
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return name;
}

// The text a window answers to WM_GETTEXT; asked, since another process's
// controls do not keep their texts where GetWindowText reads.
std::wstring TextOf(HWND wnd)
{
    wchar_t text[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(wnd, WM_GETTEXT, 512, LPARAM(text), SMTO_ABORTIFHUNG, kLimit, &result);
    return text;
}

// A buffer inside the browser's process, for the list view's messages whose
// structures the system does not carry across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size)
        : FProcess(process), FAddress(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer()
    {
        if (FAddress) VirtualFreeEx(FProcess, FAddress, 0, MEM_RELEASE);
    }
    char* Address() const { return static_cast<char*>(FAddress); }
    bool Write(const void* data, SIZE_T size, SIZE_T offset = 0) const
    {
        return WriteProcessMemory(FProcess, Address() + offset, data, size, nullptr);
    }
    bool Read(void* data, SIZE_T size, SIZE_T offset = 0) const
    {
        return ReadProcessMemory(FProcess, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE FProcess;
    void* FAddress;
};

// A folder of the test's own on the Desktop. Its name sorts after every
// other folder, so it is the last entry of the combo box's Desktop level.
class TestFolder {
public:
    TestFolder() : FPath(DesktopDirectory() + L"\\zzz Browser test")
    {
        std::filesystem::remove_all(FPath);
        std::filesystem::create_directories(FPath + L"\\sub");
        Make(L"alpha.txt", 10);
        Make(L"beta.txt", 20);
        Make(L"gamma.log", 30);
    }
    ~TestFolder() { std::filesystem::remove_all(FPath); }
    const std::wstring& Path() const { return FPath; }

private:
    void Make(const wchar_t* name, size_t bytes) const
    {
        std::ofstream(std::filesystem::path(FPath) / name, std::ios::binary) << std::string(bytes, 'x');
    }
    std::wstring FPath;
};

// shellbrowser.exe, started for one test with the test's folder on the
// Desktop, and closed (or, failing that, ended) after it.
class Browser : public testing::Test {
protected:
    void SetUp() override
    {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring cmd = L"\"" + BrowserPath() + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << "shellbrowser.exe did not start: " << GetLastError();
        ASSERT_TRUE(PumpUntil([&] { return FindControls(); }, kStartLimit)) << "the browser's window did not come";
    }
    void TearDown() override
    {
        if (!pi.hProcess) return;
        if (form) PostMessageW(form, WM_CLOSE, 0, 0);
        const bool ended = PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, kLimit);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        if (!ended) TerminateProcess(pi.hProcess, 9);
        EXPECT_TRUE(ended && code == 0) << "the browser did not end cleanly from its close box: " << code;
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }

    // The visible form and its controls, once the list shows the Desktop.
    bool FindControls()
    {
        form = nullptr;
        EnumWindows([](HWND w, LPARAM lp) -> BOOL {
            auto* self = reinterpret_cast<Browser*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == self->pi.dwProcessId && IsWindowVisible(w) && ClassOf(w) == L"TessalyWindow") self->form = w;
            return TRUE;
        }, LPARAM(this));
        if (!form) return false;
        EnumChildWindows(form, [](HWND w, LPARAM lp) -> BOOL {
            auto* self = reinterpret_cast<Browser*>(lp);
            const std::wstring cls = ClassOf(w);
            if (cls == L"ComboBox") self->combo = w;
            if (cls == L"SysListView32") self->list = w;
            if (cls == L"Edit" && GetParent(w) != self->combo) self->filter = w;
            // The status line is the form's own label; the filter's label sits in the tool bar.
            if (cls == L"Static" && GetParent(w) == self->form) self->status = w;
            return TRUE;
        }, LPARAM(this));
        return combo && list && filter && status && RowCount() > 0;
    }

    HWND Button(const wchar_t* caption) const
    {
        std::pair<const wchar_t*, HWND> search{caption, nullptr};
        EnumChildWindows(form, [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(lp);
            if (ClassOf(w) == L"Button" && TextOf(w) == s->first) s->second = w;
            return TRUE;
        }, LPARAM(&search));
        return search.second;
    }

    LRESULT Send(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) const
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(wnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kLimit, &result);
        return LRESULT(result);
    }

    int RowCount() const { return int(Send(list, LVM_GETITEMCOUNT, 0, 0)); }

    // The rows' names, sorted: the shell decides their order in the view.
    Names Rows() const
    {
        struct Request {
            LVITEMW item;
            wchar_t text[MAX_PATH];
        };
        RemoteBuffer buffer(pi.hProcess, sizeof(Request));
        Names names;
        for (int row = 0, count = RowCount(); row < count; ++row) {
            Request request{};
            request.item.iSubItem = 0;
            request.item.cchTextMax = MAX_PATH;
            request.item.pszText = reinterpret_cast<wchar_t*>(buffer.Address() + offsetof(Request, text));
            buffer.Write(&request, sizeof(request));
            Send(list, LVM_GETITEMTEXTW, row, LPARAM(buffer.Address()));
            buffer.Read(&request, sizeof(request));
            names.push_back(request.text);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The report style's column headers, which come from the controls' string resources.
    Names Headers() const
    {
        struct Request {
            HDITEMW item;
            wchar_t text[64];
        };
        HWND header = HWND(Send(list, LVM_GETHEADER, 0, 0));
        RemoteBuffer buffer(pi.hProcess, sizeof(Request));
        Names captions;
        for (int column = 0, count = int(Send(header, HDM_GETITEMCOUNT, 0, 0)); column < count; ++column) {
            Request request{};
            request.item.mask = HDI_TEXT;
            request.item.cchTextMax = 64;
            request.item.pszText = reinterpret_cast<wchar_t*>(buffer.Address() + offsetof(Request, text));
            buffer.Write(&request, sizeof(request));
            Send(header, HDM_GETITEMW, column, LPARAM(buffer.Address()));
            buffer.Read(&request, sizeof(request));
            captions.push_back(request.text);
        }
        return captions;
    }

    void SelectAllRows(bool selected) const
    {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = selected ? LVIS_SELECTED : 0;
        RemoteBuffer buffer(pi.hProcess, sizeof(item));
        buffer.Write(&item, sizeof(item));
        Send(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(buffer.Address()));
    }

    std::wstring Title() const
    {
        wchar_t text[512] = {};
        GetWindowTextW(form, text, 512);
        return text;
    }

    int ListStyle() const { return int(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK); }

    // Chooses the folder in the combo box as the keyboard would: End, then up
    // entry by entry, each choice listed before the next.
    bool ChooseInCombo(const std::wstring& path)
    {
        const std::wstring wanted = L"Shell browser - " + path;
        for (int step = 0; step < 40; ++step) {
            const std::wstring before = Title();
            PostMessageW(combo, WM_KEYDOWN, step == 0 ? VK_END : VK_UP, 0);
            if (!PumpUntil([&] { return Title() != before || Title() == wanted; }, kLimit)) {
                ADD_FAILURE() << "step " << step << ": entry " << Send(combo, CB_GETCURSEL, 0, 0) << " of "
                              << Send(combo, CB_GETCOUNT, 0, 0) << " listed nothing new";
                return false;
            }
            if (Title() == wanted) return true;
        }
        return false;
    }

    TestFolder folder;  // made before the browser starts, so that its combo box lists it
    PROCESS_INFORMATION pi{};
    HWND form = nullptr, combo = nullptr, list = nullptr, filter = nullptr, status = nullptr;
};

TEST_F(Browser, ListsAFolderChosenInTheComboBoxSwitchesItsViewAndFilters)
{
    ASSERT_TRUE(ChooseInCombo(folder.Path())) << "the combo box never listed " << testing::PrintToString(folder.Path())
                                              << "; the title is " << testing::PrintToString(Title());
    // The strings come with the one library target the example links.
    EXPECT_EQ(Headers(), (Names{L"名前", L"サイズ", L"ファイルの種類", L"更新日時", L"属性"}));
    const Names all{L"alpha.txt", L"beta.txt", L"gamma.log", L"sub"};
    ASSERT_TRUE(PumpUntil([&] { return Rows() == all; }, kLimit)) << testing::PrintToString(Rows());
    EXPECT_TRUE(PumpUntil([&] { return TextOf(status) == L"4 items"; }, kLimit)) << testing::PrintToString(TextOf(status));

    // The selection's size counts the files' bytes; the folder adds none.
    SelectAllRows(true);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(status) == L"4 items, 60 bytes selected"; }, kLimit))
        << testing::PrintToString(TextOf(status));
    SelectAllRows(false);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(status) == L"4 items"; }, kLimit)) << testing::PrintToString(TextOf(status));

    // Each button shows its own style; the details button last, since the style shown has its button off.
    const struct { const wchar_t* button; int style; } styles[] = {
        {L"Icons", LVS_ICON}, {L"Small icons", LVS_SMALLICON}, {L"List", LVS_LIST}, {L"Details", LVS_REPORT}};
    for (const auto& s : styles) {
        HWND button = Button(s.button);
        ASSERT_TRUE(button) << testing::PrintToString(s.button);
        Send(button, BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return ListStyle() == s.style; }, kLimit))
            << testing::PrintToString(s.button) << " shows style " << ListStyle();
        EXPECT_FALSE(IsWindowEnabled(button)) << "the button of the style shown is still on";
    }

    // Files are matched by name, folders always stay; a text without a wildcard is looked for inside names.
    const struct { const wchar_t* pattern; Names rows; const wchar_t* status; } filters[] = {
        {L"*.txt", {L"alpha.txt", L"beta.txt", L"sub"}, L"3 items"},
        {L"LOG", {L"gamma.log", L"sub"}, L"2 items"},
        {L"*.none", {L"sub"}, L"1 item"},
        {L"", all, L"4 items"},
    };
    for (const auto& f : filters) {
        Send(filter, WM_SETTEXT, 0, LPARAM(f.pattern));
        EXPECT_TRUE(PumpUntil([&] { return Rows() == f.rows; }, kLimit))
            << testing::PrintToString(f.pattern) << ": " << testing::PrintToString(Rows());
        EXPECT_TRUE(PumpUntil([&] { return TextOf(status) == f.status; }, kLimit))
            << testing::PrintToString(f.pattern) << ": " << testing::PrintToString(TextOf(status));
    }
}

// Puts the file on the clipboard as the shell's copy command does: the shell's own data object for it.
bool CopyToClipboard(const std::wstring& path)
{
    Microsoft::WRL::ComPtr<IShellFolder> desktop, folder;
    if (FAILED(SHGetDesktopFolder(&desktop))) return false;
    const size_t slash = path.find_last_of(L'\\');
    std::wstring folderPath = path.substr(0, slash), name = path.substr(slash + 1);
    LPITEMIDLIST folderList = nullptr, item = nullptr;
    bool done = SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, folderPath.data(), nullptr, &folderList, nullptr)) &&
                SUCCEEDED(desktop->BindToObject(folderList, nullptr, IID_PPV_ARGS(&folder))) &&
                SUCCEEDED(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &item, nullptr));
    Microsoft::WRL::ComPtr<IDataObject> data;
    LPCITEMIDLIST items[] = {item};
    done = done && SUCCEEDED(folder->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr, &data)) &&
           SUCCEEDED(OleSetClipboard(data.Get()));
    CoTaskMemFree(item);
    CoTaskMemFree(folderList);
    return done;
}

TEST_F(Browser, PasteIsOfferedWhileTheClipboardHoldsShellItems)
{
    HWND paste = Button(L"Paste");
    ASSERT_TRUE(paste);
    ASSERT_TRUE(CopyToClipboard(folder.Path() + L"\\alpha.txt"));
    // The browser asks the clipboard's data, which this process renders: keep pumping.
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(paste); }, kLimit)) << "shell items on the clipboard, paste off";
    ASSERT_TRUE(SUCCEEDED(OleSetClipboard(nullptr)));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(paste); }, kLimit)) << "an empty clipboard, paste still on";
}

}  // namespace
