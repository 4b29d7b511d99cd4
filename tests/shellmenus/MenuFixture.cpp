#include "tests/shellmenus/MenuFixture.h"

#include <ole2.h>

std::vector<MenuEntry> EntriesOf(HMENU menu)
{
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(menu, UINT(i), TRUE, &info);
        entries.push_back({info.wID, info.fType, info.fState, info.hSubMenu, text});
    }
    return entries;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DialogAnswer::DialogAnswer(int button) : FTimer(std::make_unique<TTimer>(nullptr, 50))
{
    FTimer->SetOnTimer([this, button](TObject*) {
        HWND dialog = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND wnd, LPARAM found) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(wnd, name, 16);
                if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
                *reinterpret_cast<HWND*>(found) = wnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dialog, button)));
        FAnswered = true;
        FTimer->SetEnabled(false);
    });
}

void ShellMenuTest::SetUp()
{
    Form = std::make_unique<TForm>(nullptr, TFormLayout{.Caption = L"menus", .ClientWidth = 300,
                                                        .ClientHeight = 200, .Left = 100, .Top = 100});
    Form->SetVisible(true);
    Menu = Form->Create<TShellPopupMenu>();
    FilePath = Folder.AddFile(L"a.txt", 10);
    Select({L"a.txt"});
}

void ShellMenuTest::TearDown()
{
    TrackPopupMenuFunc = DefaultTrackPopupMenu;
    Form.reset();
    // A cut or a copy left the items' data object on the clipboard.
    OleSetClipboard(nullptr);
}

void ShellMenuTest::Select(const std::vector<std::wstring>& names)
{
    Selection.Clear();
    Selection.SetParentIDList(IDListOfPath(Folder.Path()));
    for (const std::wstring& name : names) {
        TIDListPtr absolute = IDListOfPath(Folder.Path() + L"\\" + name);
        ASSERT_TRUE(absolute) << "no item list for a file of the test";
        Selection.Add(TIDListPtr(LastItemIDOf(absolute.get())));
    }
}

void ShellMenuTest::Choose(TChoice choice)
{
    TrackPopupMenuFunc = [this, choice](HMENU menu, UINT flags, int x, int y, HWND owner) {
        ++Tracked;
        TrackedMenu = menu;
        Shown = EntriesOf(menu);
        ShownDefault = GetMenuDefaultItem(menu, TRUE, GMDI_USEDISABLED);
        return choice(menu, flags, POINT{x, y}, owner);
    };
}

void ShellMenuTest::ChooseVerb(const std::wstring& verb)
{
    Choose([this, verb](HMENU menu, UINT, POINT, HWND) {
        const UINT command = Menu->VerbCommand(menu, verb);
        EXPECT_NE(command, 0u) << "the shell offers no entry for this verb";
        ChosenOffset = command - (Menu->LastOwnCommand() + 1);
        return command;
    });
}

TMenuItem* ShellMenuTest::AddItem(const std::wstring& caption, int* clicks)
{
    TMenuItem* item = Menu->Items()->Add(caption);
    if (clicks) item->OnClick = [clicks](TObject*) { ++*clicks; };
    return item;
}
