// The browser's commands: the name filter, pasting into the listed folder
// and the own context-menu item that copies the items' paths.
#include <shlwapi.h>

#include "BrowserForm.h"
#include "shell/ShellIDFunc.h"

bool TBrowserForm::PassesFilter(TShellFileItem& item) const
{
    // Folders always pass, so that the user can still browse while filtering.
    if (FPattern.empty() || item.HasAttribute(iaFolder)) return true;
    // The file's own name: the shell's display name may leave the extension out.
    std::wstring name = item.FindData().cFileName;
    if (name.empty()) name = item.DisplayName();
    return PathMatchSpecW(name.c_str(), FPattern.c_str());
}

void TBrowserForm::FilterChanged()
{
    FPattern = FFilterEdit->Text();
    // Text without a wildcard finds the names that contain it.
    if (!FPattern.empty() && FPattern.find_first_of(L"*?") == std::wstring::npos) FPattern = L"*" + FPattern + L"*";
    // The filter is asked while the folder is enumerated: list it again.
    FList->RefreshList();
    ShowStatus(FList->SelSize());
}

void TBrowserForm::PasteIntoFolder()
{
    // The shell pastes into a folder through the folder's own context menu,
    // so the folder is handed over as one item of its parent.
    LPCITEMIDLIST folder = FList->FolderIDList();
    if (IDListLevel(folder) < 1) return;  // the Desktop has no parent to ask
    TIDListPtr parent(ParentIDListOf(folder));
    if (!parent) parent.reset(AllocIDList(sizeof(USHORT)));  // a one-item list's parent: the Desktop, empty
    TIDListPtr last(LastItemIDOf(folder));
    if (!parent || !last) return;
    // TShellIDList borrows: the two lists outlive it here.
    TShellIDList items;
    items.SetParentIDList(parent.get());
    items.Add(last.get());
    FMenu->ShellCommand(&items, L"paste");
}

void TBrowserForm::CopyFullPaths(const TShellIDList& items)
{
    std::wstring text;
    for (int i = 0; i < items.Count(); ++i) {
        const std::wstring path = items.ItemPath(i);
        if (path.empty()) continue;  // a virtual item has no path
        if (!text.empty()) text += L"\r\n";
        text += path;
    }
    if (text.empty() || !OpenClipboard(Handle())) return;
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        // The clipboard owns the memory once it took it.
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}
