#include "shellmenus/ShellPopupMenu.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/Finally.h"
#include "ui/Form.h"
#include "ui/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
// The shell's entries take identifiers up to here.
constexpr UINT kLastShellCommand = 0x7FFF;
constexpr UINT kContextFlags[] = {CMF_EXPLORE, CMF_NORMAL, CMF_DEFAULTONLY};

bool SameVerb(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() &&
           CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The answer for a shell command: the four that the views follow up by
// their verb, since shells place them differently (Wine puts "link" at 81
// and "rename" at 80, Windows at 16 and 18); any other by its offset.
int ResultCode(const std::wstring& verb, UINT offset)
{
    if (SameVerb(verb, L"link")) return shellResultLink;
    if (SameVerb(verb, L"delete")) return shellResultDelete;
    if (SameVerb(verb, L"rename")) return shellResultRename;
    if (SameVerb(verb, L"cut")) return shellResultCut;
    return int(offset) + 1;
}

UINT LargestCommand(const TMenuItem* item)
{
    UINT largest = item->Command();
    for (int i = 0; i < item->Count(); ++i) largest = std::max(largest, LargestCommand(item->Items(i)));
    return largest;
}
}  // namespace

TShellPopupMenu::TShellPopupMenu(TComponent* owner) : TPopupMenu(owner)
{
    FMenuWindow = std::make_unique<TUtilityWindow>(
        [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return MenuWindowProc(w, m, wp, lp); });
}

TShellPopupMenu::~TShellPopupMenu() = default;

UINT TShellPopupMenu::InsertPos()
{
    FInsertPos = std::min(FInsertPos, UINT(Items()->Count()));
    return FInsertPos;
}

UINT TShellPopupMenu::QueryFlags() const
{
    return kContextFlags[FContextType] | (FReadOnly ? 0 : CMF_CANRENAME);
}

TForm* TShellPopupMenu::OwnerForm() const
{
    if (auto* form = dynamic_cast<TForm*>(Owner())) return form;
    return Application ? Application->MainForm() : nullptr;
}

bool TShellPopupMenu::DoBeforePopup(const TShellIDList& idList, POINT pt)
{
    bool allowPopup = true;
    if (OnShBeforPopup) OnShBeforPopup(this, idList, pt, allowPopup);
    return allowPopup;
}

void TShellPopupMenu::DoAfterPopup(TMenuItem* item, const TShellIDList& idList)
{
    if (OnShAfterPopup) OnShAfterPopup(this, item, idList);
}

int TShellPopupMenu::ShellPopup(TShellIDList* idList, POINT pt)
{
    if (!idList || idList->Count() == 0) return 0;
    ComPtr<IShellFolder> folder = idList->ParentShellFolder();
    if (!folder) return 0;
    TForm* owner = OwnerForm();
    if (!DoBeforePopup(*idList, pt) || !owner) return 0;

    TFinally release([this] { ReleaseShellMenu(); });
    if (!GetShellMenu(folder.Get(), *idList, owner->Handle())) return 0;
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    TFinally destroy([this, menu] {
        RemoveOwnItems(menu);
        DestroyMenu(menu);
    });

    FLastOwnCommand = AppendOwnItems(menu);
    const UINT position = std::min(InsertPos(), UINT(GetMenuItemCount(menu)));
    if (FAILED(FContextMenu->QueryContextMenu(menu, position, FLastOwnCommand + 1, kLastShellCommand,
                                              QueryFlags())))
        return 0;
    SetMenuDefaultItem(menu, position, TRUE);

    // The views hand over their own rows, which an own item's command may
    // free (a refresh, another folder): the owner hears of the menu with copies.
    TShellIDList2 shown;
    shown.Assign(*idList);
    const UINT command = TrackPopupMenuFunc(menu, TrackFlags() | TPM_RETURNCMD, pt.x, pt.y, FMenuWindow->Handle());
    if (command == 0) return 0;
    // Identifiers above the own ones are the shell's, even where an own item
    // that was not shown has the same one.
    if (command <= FLastOwnCommand) {
        if (TMenuItem* item = FindItem(command, fkCommand)) {
            try {
                if (item->OnClick) item->Click();
            } catch (...) {
                // The owner hears that the menu is done also when the command failed.
                DoAfterPopup(item, shown);
                throw;
            }
            DoAfterPopup(item, shown);
            return int(command);
        }
    }
    return CarryOut(command - (FLastOwnCommand + 1), owner->Handle());
}

int TShellPopupMenu::ShellCommand(TShellIDList* idList, const std::wstring& verb)
{
    if (!idList || idList->Count() == 0) return 0;
    ComPtr<IShellFolder> folder = idList->ParentShellFolder();
    if (!folder) return 0;
    TForm* owner = OwnerForm();
    if (!owner) return 0;

    TFinally release([this] { ReleaseShellMenu(); });
    if (!GetShellMenu(folder.Get(), *idList, owner->Handle())) return 0;
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    TFinally destroy([menu] { DestroyMenu(menu); });

    FLastOwnCommand = 0;
    if (FAILED(FContextMenu->QueryContextMenu(menu, 0, 1, kLastShellCommand, QueryFlags()))) return 0;
    const UINT command = VerbCommand(menu, verb);
    return command ? CarryOut(command - 1, owner->Handle()) : 0;
}

bool TShellPopupMenu::GetShellMenu(IShellFolder* folder, TShellIDList& idList, HWND owner)
{
    ComPtr<IContextMenu> menu;
    if (FAILED(folder->GetUIObjectOf(owner, UINT(idList.Count()), idList.IDListArray(), IID_IContextMenu, nullptr,
                                     reinterpret_cast<void**>(menu.GetAddressOf()))) ||
        !menu)
        return false;
    FContextMenu = menu;
    if (SUCCEEDED(FContextMenu.As(&FContextMenu2))) FContextMenu = FContextMenu2;
    if (SUCCEEDED(FContextMenu.As(&FContextMenu3))) FContextMenu = FContextMenu3;
    return true;
}

void TShellPopupMenu::ReleaseShellMenu()
{
    FContextMenu.Reset();
    FContextMenu2.Reset();
    FContextMenu3.Reset();
}

std::wstring TShellPopupMenu::CommandVerb(UINT offset) const
{
    if (!FContextMenu) return {};
    wchar_t verb[80] = {};
    if (SUCCEEDED(FContextMenu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb),
                                                 ARRAYSIZE(verb))) &&
        verb[0])
        return verb;
    // Older extensions answer only in ANSI.
    char narrow[80] = {};
    if (SUCCEEDED(FContextMenu->GetCommandString(offset, GCS_VERBA, nullptr, narrow, sizeof(narrow))) && narrow[0])
        return BytesToWide(narrow, CP_ACP);
    return {};
}

UINT TShellPopupMenu::VerbCommand(HMENU menu, const std::wstring& verb) const
{
    if (!FContextMenu || !menu) return 0;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, UINT(position), TRUE, &info)) continue;
        if (info.hSubMenu) {
            if (IsOwnMenu(info.hSubMenu)) continue;
            if (UINT found = VerbCommand(info.hSubMenu, verb)) return found;
            continue;
        }
        if ((info.fType & MFT_SEPARATOR) || info.wID <= FLastOwnCommand || info.wID > kLastShellCommand) continue;
        if (SameVerb(CommandVerb(info.wID - (FLastOwnCommand + 1)), verb)) return info.wID;
    }
    return 0;
}

int TShellPopupMenu::CarryOut(UINT offset, HWND owner)
{
    const int result = ResultCode(CommandVerb(offset), offset);
    // In-place renaming is the calling view's; the shell has no view to rename in.
    if (result == shellResultRename) return result;
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(offset);
    invoke.nShow = SW_SHOWNORMAL;
    return SUCCEEDED(FContextMenu->InvokeCommand(&invoke)) ? result : 0;
}

UINT TShellPopupMenu::AppendOwnItems(HMENU menu)
{
    UINT largest = 0;
    for (int i = 0; i < Items()->Count(); ++i) {
        TMenuItem* item = Items()->Items(i);
        if (!item->Visible()) continue;
        MENUITEMINFOW info;
        std::wstring text;
        item->MakeMenuItemInfo(info, text);
        // The sub-items are in the menu too, through the submenu.
        largest = std::max(largest, LargestCommand(item));
        InsertMenuItemW(menu, UINT(GetMenuItemCount(menu)), TRUE, &info);
    }
    return largest;
}

void TShellPopupMenu::RemoveOwnItems(HMENU menu)
{
    for (int i = 0; i < Items()->Count(); ++i) {
        const UINT command = Items()->Items(i)->Command();
        if (GetMenuState(menu, command, MF_BYCOMMAND) != UINT(-1)) RemoveMenu(menu, command, MF_BYCOMMAND);
    }
}

LRESULT TShellPopupMenu::MenuWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM:
        return WMDrawItem(wParam, lParam);
    case WM_MEASUREITEM:
        return WMMeasureItem(wParam, lParam);
    case WM_INITMENUPOPUP:
        return WMInitMenuPopup(wParam, lParam);
    case WM_MENUSELECT:
        return WMMenuSelect(wParam, lParam);
    case WM_MENUCHAR:
        return WMMenuChar(wParam, lParam);
    case WM_HELP:
        return WMHelp(lParam);
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

LRESULT TShellPopupMenu::PassToShell(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (FContextMenu3) FContextMenu3->HandleMenuMsg2(message, wParam, lParam, &result);
    else if (FContextMenu2) FContextMenu2->HandleMenuMsg(message, wParam, lParam);
    return result;
}

LRESULT TShellPopupMenu::WMDrawItem(WPARAM wParam, LPARAM lParam)
{
    const auto& draw = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (draw.itemID > FLastOwnCommand || !DrawOwnItem(draw)) PassToShell(WM_DRAWITEM, wParam, lParam);
    return TRUE;
}

LRESULT TShellPopupMenu::WMMeasureItem(WPARAM wParam, LPARAM lParam)
{
    auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (measure.itemID > FLastOwnCommand || !MeasureOwnItem(measure, FMenuWindow->Handle()))
        PassToShell(WM_MEASUREITEM, wParam, lParam);
    return TRUE;
}

LRESULT TShellPopupMenu::WMInitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    if (DispatchPopup(reinterpret_cast<HMENU>(wParam))) return 0;
    return PassToShell(WM_INITMENUPOPUP, wParam, lParam);
}

LRESULT TShellPopupMenu::WMMenuSelect(WPARAM wParam, LPARAM lParam)
{
    const bool ownCommand = !(HIWORD(wParam) & MF_POPUP) && LOWORD(wParam) <= FLastOwnCommand;
    if (((HIWORD(wParam) & MF_POPUP) || ownCommand) && ShowOwnHint(wParam, lParam)) return 0;
    if (!Application) return 0;
    Application->SetHint(L" ");
    IContextMenu* shell = FContextMenu3 ? FContextMenu3.Get()
                          : FContextMenu2 ? static_cast<IContextMenu*>(FContextMenu2.Get())
                                          : FContextMenu.Get();
    if (!shell) return 0;
    wchar_t text[201] = {};
    const UINT offset = WORD(LOWORD(wParam) - (FLastOwnCommand + 1));
    if (FAILED(shell->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(text),
                                       ARRAYSIZE(text))))
        return 0;
    text[ARRAYSIZE(text) - 1] = 0;
    std::wstring hint = text;
    if (hint.empty() && !FContextMenu2 && !FContextMenu3) hint = L" ";
    Application->SetHint(hint);
    return 0;
}

LRESULT TShellPopupMenu::WMMenuChar(WPARAM wParam, LPARAM lParam)
{
    return IsOwnMenu(reinterpret_cast<HMENU>(lParam)) ? ProcessMenuChar(wParam, lParam) : 0;
}

LRESULT TShellPopupMenu::WMHelp(LPARAM lParam)
{
    ShowHelp(*reinterpret_cast<HELPINFO*>(lParam));
    return TRUE;
}
