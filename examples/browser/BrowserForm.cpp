#include "BrowserForm.h"

#include <shellapi.h>

namespace {

const TFormLayout kLayout{
    .Caption = L"Shell browser",
    .ClientWidth = 820,
    .ClientHeight = 560,
    .Left = 80,
    .Top = 60,
    .Font = {L"Tahoma", -11, DEFAULT_CHARSET},
};

struct TStyleButton {
    TViewStyle Style;
    const wchar_t* Caption;
    TBounds Bounds;
};
const TStyleButton kStyleButtons[] = {
    {vsIcon, L"Icons", {312, 4, 60, 22}},
    {vsSmallIcon, L"Small icons", {374, 4, 72, 22}},
    {vsList, L"List", {448, 4, 50, 22}},
    {vsReport, L"Details", {500, 4, 60, 22}},
};

// The folder's name for the caption: its path, or the shell's name for a
// folder outside the file system (the drives folder, the Desktop itself).
std::wstring FolderTitle(const TShellListView& list)
{
    std::wstring path;
    list.FolderPath(path);
    if (!path.empty()) return path;
    SHFILEINFOW info{};
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list.FolderIDList()), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_DISPLAYNAME))
        return info.szDisplayName;
    return {};
}

}  // namespace

TBrowserForm::TBrowserForm(TComponent* owner) : TForm(owner, kLayout)
{
    CreateToolBar();
    CreateShellControls();
    CreateContextMenu();
    ConnectEvents();
    SetViewStyle(vsReport);
}

void TBrowserForm::CreateToolBar()
{
    FToolBar = Create<TPanel>(this, TBounds{0, 0, 820, 30}, TAlign::alTop);
    // The combo box's height is that of its open list.
    FCombo = Create<TShellComboBox>(FToolBar, TBounds{4, 4, 300, 320});
    for (const TStyleButton& button : kStyleButtons) {
        FStyleButtons[button.Style] = Create<TButton>(FToolBar, button.Bounds, button.Caption);
        FStyleButtons[button.Style]->OnClick = [this, style = button.Style](TObject*) { SetViewStyle(style); };
    }
    FPasteButton = Create<TButton>(FToolBar, TBounds{570, 4, 56, 22}, L"Paste");
    // Enabled by the list view once the clipboard holds shell items.
    FPasteButton->SetEnabled(false);
    Create<TLabel>(FToolBar, TBounds{636, 8, 40, 16}, L"Filter:");
    FFilterEdit = Create<TEdit>(FToolBar, TBounds{676, 5, 136, 21});
    FStatus = Create<TLabel>(this, TBounds{0, 540, 820, 20}, L"");
    FStatus->SetAlign(TAlign::alBottom);
}

void TBrowserForm::CreateShellControls()
{
    FTree = Create<TShellTreeView>(this, TBounds{0, 30, 220, 510});
    FTree->SetAlign(TAlign::alLeft);
    FList = Create<TShellListView>(this, TBounds{220, 30, 600, 510});
    FList->SetAlign(TAlign::alClient);

    // The tree is the hub: it lists its selected folder in the list view and
    // shows it in the combo box, and both hand the user's choices back to it.
    FTree->SetShellListView(FList);
    FTree->SetShellComboBox(FCombo);
    // Windows are made in this order: the tree's Loaded selects the Desktop,
    // which the list and the combo box must be ready to show.
    FList->Loaded();
    FCombo->Loaded();
    FTree->Loaded();
}

void TBrowserForm::CreateContextMenu()
{
    FMenu = Create<TShellPopupMenu>();
    // The views show it themselves on a right click: no automatic popup.
    FMenu->SetAutoPopup(false);
    // The shell's entries go first (position 0), the own items after them.
    FMenu->SetInsertPos(0);
    FMenu->Items()->Add(L"-");
    FCopyPathItem = FMenu->Items()->Add(L"Copy full path");
    FList->SetShellPopupMenu(FMenu);
    FTree->SetShellPopupMenu(FMenu);
}

void TBrowserForm::ConnectEvents()
{
    FList->OnShListChange = [this](TObject*, TShellFileList*) { ShowFolder(); };
    FList->OnShSelChange = [this](TObject*, DWORD selSize) { ShowStatus(selSize); };
    FList->OnShFilter = [this](TObject*, TShellFileItem* item, bool& accept) { accept = PassesFilter(*item); };
    FList->OnShClipboard = [this](TObject*, bool contented) { FPasteButton->SetEnabled(contented); };
    FPasteButton->OnClick = [this](TObject*) { PasteIntoFolder(); };
    FFilterEdit->OnChange = [this](TObject*) { FilterChanged(); };
    // An own item's click does not say for which items the menu was shown;
    // the menu's after-popup event does.
    FMenu->OnShAfterPopup = [this](TObject*, TMenuItem* item, const TShellIDList& items) {
        if (item == FCopyPathItem) CopyFullPaths(items);
    };
    // Drags between the views need nothing here: each view hands a drop to
    // the shell's own target of the item under the pointer. The events only
    // let the program see (or veto, with DefaultAction) what is dropped where.
    FTree->OnShDragDrop = [this](TObject*, TShellDragObject*, TTreeNode* node, TShiftState, int, int, bool&) {
        if (node) FStatus->SetCaption(L"Dropped on " + node->Text());
    };
    FList->OnShDragDrop = [this](TObject*, TShellDragObject*, TShellFileItem* item, TShiftState, int, int,
                                 bool&) { FStatus->SetCaption(L"Dropped on " + (item ? item->DisplayName() : FolderTitle(*FList))); };
}

void TBrowserForm::ShowFolder()
{
    const std::wstring title = FolderTitle(*FList);
    SetCaption(title.empty() ? kLayout.Caption : kLayout.Caption + L" - " + title);
    ShowStatus(FList->SelSize());
}

void TBrowserForm::ShowStatus(DWORD selSize)
{
    const int count = FList->ItemCount();
    std::wstring text = std::to_wstring(count) + (count == 1 ? L" item" : L" items");
    if (FList->SelCount() > 0) text += L", " + std::to_wstring(selSize) + L" bytes selected";
    FStatus->SetCaption(text);
}

void TBrowserForm::SetViewStyle(TViewStyle style)
{
    FList->SetViewStyle(style);
    // The button of the style shown is the one that cannot be pressed.
    for (const TStyleButton& button : kStyleButtons) FStyleButtons[button.Style]->SetEnabled(button.Style != style);
}
