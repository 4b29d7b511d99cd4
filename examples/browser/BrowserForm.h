#pragma once
// The browser's window: the path combo box and the view buttons at the top,
// the folder tree at the left, the folder's contents beside it and a status
// line at the bottom. The three shell controls are linked, so choosing a
// folder in any of them shows it in the other two.
#include <string>

#include "shellmenus/ShellComboBox.h"
#include "shellmenus/ShellPopupMenu.h"
#include "shellviews/ShellListView.h"
#include "shellviews/ShellTreeView.h"
#include "ui/Form.h"
#include "ui/StdCtrls.h"

class TBrowserForm : public TForm {
public:
    explicit TBrowserForm(TComponent* owner);

private:
    void CreateToolBar();
    void CreateShellControls();
    void CreateContextMenu();
    void ConnectEvents();

    // What the status line and the caption say about the listed folder.
    void ShowFolder();
    void ShowStatus(DWORD selSize);
    void SetViewStyle(TViewStyle style);

    // BrowserCommands.cpp: what the user's commands do.
    bool PassesFilter(TShellFileItem& item) const;
    void FilterChanged();
    void PasteIntoFolder();
    void CopyFullPaths(const TShellIDList& items);

    TPanel* FToolBar;
    TShellComboBox* FCombo;
    TButton* FStyleButtons[4];  // by TViewStyle
    TButton* FPasteButton;
    TEdit* FFilterEdit;
    TLabel* FStatus;
    TShellTreeView* FTree;
    TShellListView* FList;
    TShellPopupMenu* FMenu;     // the context menu of both views
    TMenuItem* FCopyPathItem;   // an own item, below the shell's entries
    std::wstring FPattern;      // the filter; empty shows every item
};
