#pragma once
// A popup menu that shows the shell's own context menu for a selection,
// merged with the component's own items, and carries out the chosen command.
// The answer tells the calling view what to follow up (see the codes below).
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "shell/ShellIDList.h"
#include "ui/Menus.h"
#include "ui/UtilityWindow.h"

class TForm;

// The flag word for IContextMenu::QueryContextMenu.
enum TShellContextType { shctExplore, shctNormal, shctDefaultOnly };

// Answers for the shell commands that the views follow up. Each is found by
// its canonical verb wherever the shell puts it; any other shell command
// answers its offset + 1, an own item its command identifier, nothing 0.
inline constexpr int shellResultLink = 17;    // "link": re-read the folder
inline constexpr int shellResultDelete = 18;  // "delete": the items may be gone
inline constexpr int shellResultRename = 19;  // "rename": left to the caller
inline constexpr int shellResultCut = 25;     // "cut": mark the items as cut

using TShellBeforPopupEvent =
    std::function<void(TObject* Sender, const TShellIDList& ShellIDList, POINT Pt, bool& AllowPopup)>;
using TShellAfterPopupEvent =
    std::function<void(TObject* Sender, TMenuItem* MenuItem, const TShellIDList& ShellIDList)>;

class TShellPopupMenu : public TPopupMenu {
public:
    explicit TShellPopupMenu(TComponent* owner);
    ~TShellPopupMenu() override;

    // Shows the merged menu for the items at the screen point and carries out
    // the chosen command; the answer is one of the codes above.
    int ShellPopup(TShellIDList* idList, POINT pt);
    // Carries out the shell command with that canonical verb for the items
    // without showing a menu; the same answer as choosing it, 0 when the
    // shell has no such command or it failed.
    int ShellCommand(TShellIDList* idList, const std::wstring& verb);
    // The identifier of the shell entry with that canonical verb in a menu
    // being shown now; 0 when there is none.
    UINT VerbCommand(HMENU menu, const std::wstring& verb) const;

    // Where the shell's entries go among the top-level own items; reading
    // it lowers a value beyond the item count to the count, for good.
    UINT InsertPos();
    void SetInsertPos(UINT value) { FInsertPos = value; }
    // True: the shell is not asked for a rename entry.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TShellContextType ContextType() const { return FContextType; }
    void SetContextType(TShellContextType value) { FContextType = value; }
    // The largest command identifier among the own items of the last popup
    // (0 for none); the shell's identifiers start one above it.
    UINT LastOwnCommand() const { return FLastOwnCommand; }
    HWND MenuWindow() const { return FMenuWindow ? FMenuWindow->Handle() : nullptr; }

    TShellBeforPopupEvent OnShBeforPopup;
    TShellAfterPopupEvent OnShAfterPopup;

protected:
    virtual bool DoBeforePopup(const TShellIDList& idList, POINT pt);
    virtual void DoAfterPopup(TMenuItem* item, const TShellIDList& idList);

    // Appends the visible top-level own items; answers the largest identifier placed.
    UINT AppendOwnItems(HMENU menu);
    // Takes the own entries out again, leaving their submenus alive.
    void RemoveOwnItems(HMENU menu);

private:
    LRESULT MenuWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WMDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT WMMeasureItem(WPARAM wParam, LPARAM lParam);
    LRESULT WMInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT WMMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT WMMenuChar(WPARAM wParam, LPARAM lParam);
    LRESULT WMHelp(LPARAM lParam);
    // Hands a menu message to the shell menu, so that extensions draw and fill their entries.
    LRESULT PassToShell(UINT message, WPARAM wParam, LPARAM lParam);

    UINT QueryFlags() const;
    TForm* OwnerForm() const;
    // Asks the folder for the items' context menu and keeps its most capable interface.
    bool GetShellMenu(IShellFolder* folder, TShellIDList& idList, HWND owner);
    void ReleaseShellMenu();
    // The canonical verb of the shell command at the offset; empty when it has none.
    std::wstring CommandVerb(UINT offset) const;
    // Carries out the shell command at the offset and answers its code.
    int CarryOut(UINT offset, HWND owner);

    std::unique_ptr<TUtilityWindow> FMenuWindow;
    UINT FLastOwnCommand = 0;
    UINT FInsertPos = 0;
    bool FReadOnly = true;
    Microsoft::WRL::ComPtr<IContextMenu> FContextMenu;
    Microsoft::WRL::ComPtr<IContextMenu2> FContextMenu2;
    Microsoft::WRL::ComPtr<IContextMenu3> FContextMenu3;
    TShellContextType FContextType = shctExplore;
};
