#pragma once
// The shell list view: the contents of one shell folder, one row per item
// with its icon, name, size, type, date and attributes. It runs in
// owner-data mode over its TShellFileList, which it owns.
#include <windows.h>
#include <oleidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/AttributesImage.h"
#include "shell/ShellCtrlList.h"
#include "shell/ShellFileList.h"
#include "shellmenus/ShellDragDrop.h"
#include "shellviews/ShellRowWorker.h"
#include "ui/ListView.h"

class TShellListView;
class TShellPopupMenu;

// The tree view as a linked list view knows it.
class TShellTreeLink {
public:
    // The tree's current folder (a copy); false when it has none.
    virtual bool SelectedFolderIDList(TIDListPtr& folder) = 0;
    virtual void SelectIDList(LPCITEMIDLIST list) = 0;
    virtual void SetIncludeHidden(bool value) = 0;
    virtual void SetShVirtuaItems(TShVirtuaItems value) = 0;
    // Reads the visible folders again (after the view deleted items).
    virtual void RefreshTree() = 0;

protected:
    ~TShellTreeLink() = default;
};

using TShExecuteEvent = std::function<void(TObject* Sender, TShellFileItem* Item, TShiftState Shift, int SubItem,
                                           int X, int Y, bool& DefaultAction)>;
using TShSelChangeEvent = std::function<void(TObject* Sender, DWORD SelSize)>;
using TShListChangeEvent = std::function<void(TObject* Sender, TShellFileList* FileList)>;
using TShFilterEvent = std::function<void(TObject* Sender, TShellFileItem* Item, bool& Accept)>;
using TShClipboardEvent = std::function<void(TObject* Sender, bool Contented)>;
using TShellListDragEnterEvent = TShellDragEnterEvent;
using TShellListDragEvent = TShellDragEvent<TShellFileItem>;
using TShellListDropEvent = TShellDropEvent<TShellFileItem>;
using TShBeginDragEvent =
    std::function<void(TObject* Sender, TShellIDList& IDList, POINT Pt, int X, int Y, bool& CanDrag)>;
using TLVCustomDrawItemEvent =
    std::function<void(TObject* Sender, int Item, UINT State, bool& DefaultDraw, bool& SubItemDraw)>;
using TLVCustomDrawSubItemEvent =
    std::function<void(TObject* Sender, int Item, int SubItem, UINT State, bool& DefaultDraw)>;

class TShellListView : public TCustomListView,
                       public TShellListHost,
                       public TShellDeviceClient,
                       public TShellDropHost<TShellFileItem> {
public:
    // The private message with which the view rebuilds itself after a settings change.
    static constexpr UINT WM_REBUILD = WM_USER + 1;

    TShellListView(TComponent* owner, TWinControl* parent, const TBounds& bounds = {});
    ~TShellListView() override;

    // Makes the window, which lists the Desktop when no folder was listed yet.
    void Loaded();
    void RefreshList();
    // Lists the folder of an absolute list; the caller keeps the list.
    void SetFolderIDList(LPCITEMIDLIST list);
    LPCITEMIDLIST FolderIDList() const { return FFileList->FolderIDList(); }
    void FolderPath(std::wstring& path) const { path = FFileList->FolderPath(); }
    TShellFileList& FileList() const { return *FFileList; }
    void PauseWatch() { FFileList->StopWatchers(); }
    void ResumeWatch() { FFileList->RestartWatchers(); }

    bool IncludeHidden() const override { return FIncludeHidden; }
    void SetIncludeHidden(bool value);
    TShVirtuaItems ShVirtuaItems() const override { return FShVirtuaItems; }
    void SetShVirtuaItems(TShVirtuaItems value);
    void SetViewStyle(TViewStyle value) override;
    TViewStyle GetViewStyle() const { return ViewStyle(); }
    const TAttributesImage& AttributesImage() const { return FAttributesImage; }
    void SetAttributesImage(const TAttributesImage* value);
    // Set by the tree view that links itself; none when it goes.
    void SetLinkedTree(TShellTreeLink* tree) { FTree = tree; }
    TShellTreeLink* LinkedTree() const { return FTree; }
    // 0 idle, 1 left or 2 right button down on a row, 3 a drag from here runs.
    BYTE MouseState() const { return FMouseState; }
    DWORD SelSize() const { return FSelSize; }
    TShellPopupMenu* ShellPopupMenu() const { return FPopupMenu; }
    void SetShellPopupMenu(TShellPopupMenu* value);
    // Scrolls a line when the point (client coordinates) is near an edge, as a drag passes.
    void ScrollAtEdge(POINT point);

    void BeginSelHold() override;
    void EndSelHold() override;
    void FindDataReloaded() override;
    void DoShListChange(TShellFileList* list) override;
    bool DoShFilter(TShellFileItem* item) override;
    // The opening of a row: a folder is listed, anything else goes to the shell.
    virtual void ExecuteItem(int index, int subItem, TShiftState shift, int x, int y);

    TShExecuteEvent OnShExecute;
    TShSelChangeEvent OnShSelChange;
    TShListChangeEvent OnShListChange;
    TShFilterEvent OnShFilter;
    TShClipboardEvent OnShClipboard;
    TShBeginDragEvent OnShBeginDrag;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVCustomDrawSubItemEvent OnCustomDrawSubItem;


protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OwnerDataFetch(int index, unsigned request, TListRow& row) override;
    bool OwnerDataHint(int startIndex, int endIndex) override;
    int OwnerDataFind(TItemFind find, const std::wstring& text, void* data, int startIndex, bool wrap) override;
    bool OwnerDataStateChange(int startIndex, int endIndex, UINT oldState, UINT newState) override;
    void ItemChanged(const NMLISTVIEW& change) override;
    void ItemActivate(int index, int subItem, TShiftState shift, POINT point) override;
    void ColClick(int column) override;
    void VisibleChanged() override;
    void WinIniChange() override;
    LRESULT CNNotify(NMHDR& header) override;
    bool CanEdit(int index) override;
    void Edit(int index, std::wstring& text) override;
    void DoContextPopup(POINT mousePos, bool& handled) override;
    void Notification(TComponent* component, TOperation operation) override;

    virtual bool DoCustomDrawItem(int item, UINT state, bool& subItemDraw);
    virtual bool DoCustomDrawSubItem(int item, int subItem, UINT state);
    virtual void DoShClipboard(bool contented);
    virtual bool DoShBeginDrag(TShellIDList& idList, POINT start, int x, int y);
    virtual void DoShExecute(TShellFileItem* item, TShiftState shift, int subItem, int x, int y,
                             bool& defaultAction);
    virtual void DoShSelChange(DWORD selSize);

    // TShellListHost
    TCustomListView& ListControl() override { return *this; }
    bool WindowGoing() const override { return FWindowGone; }
    // Rows must not move under a held button or a drag passing over the view.
    bool PointerBusy() const override { return FMouseState != 0 || DragObject(); }
    bool LinkedTreeFolder(TIDListPtr& folder) override;
    std::wstring ColumnCaption(int column) const override;

    // TShellDropHost: a row, or else the listed folder, takes the drag.
    TObject* DragSender() override;
    HRESULT ShDragOver(DWORD keyState, POINT pt, DWORD& effect) override;
    void ShDragLeave() override;
    HRESULT ShDrop(DWORD keyState, POINT pt, DWORD& effect) override;

    // TShellDeviceClient: volume changes are the tree view's business.
    void ShellDeviceChange(const std::wstring&, DWORD, LPCITEMIDLIST, WORD) override {}

private:
    LRESULT WMButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WMButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WMMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT WMKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT WMClipboardUpdate();
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
    LRESULT CustomDrawStage(NMLVCUSTOMDRAW& draw);
    void LendCanvas(HDC dc);
    // Puts the colours a handler chose into the draw structure; true when it chose any.
    void TakeCanvasColours(NMLVCUSTOMDRAW& draw);
    void DrawAttributeMarks(int item, TShellFileItem& row);
    bool DrawAttributeImages(int item, TShellFileItem& row);
    void StartDrag(int x, int y);
    // The row a drag at the client point designates; -1 for none.
    int DropRowAt(POINT client) const;
    void SetDropRow(int row);
    Microsoft::WRL::ComPtr<IDropTarget> RowDropTarget(TShellFileItem* item) const;
    Microsoft::WRL::ComPtr<IDropTarget> FolderDropTarget() const;
    // The shell menu for the selection; answers the menu's result after the view's follow-up.
    void ShellMenuForSelection(POINT screenPoint);
    // The view's share of a shell command's result: re-list, drop deleted rows, rename.
    void FollowShellCommand(int result, const std::wstring& firstPath, bool firstWasFile);
    void DeleteSelection();
    void GoUp();
    void ReleaseWindowServices();
    // Whether the row's icon, overlay and type name are known; when not, the worker is asked for them.
    bool RowInfoReady(int index, TShellFileItem& item, bool large);
    // The worker's answers, matched to the rows that are still those items.
    void TakeRowAnswers(std::vector<TRowAnswer>& answers);
    // The sizes of the selected rows, counted anew.
    DWORD SelectedSize() const;

    bool FIncludeHidden = true;
    bool FWindowGone = false;
    BYTE FMouseState = 0;
    // The folder and the item of the row being renamed in place: the listing
    // may change under the editor, and the rename must still reach that item.
    TIDListPtr FEditedFolder;
    TIDListPtr FEditedItem;
    POINT FMouseDown{};
    TShVirtuaItems FShVirtuaItems{itBitBucket, itNetWork};
    bool FClipboardListening = false;
    bool FCanvasChanged = false;
    bool FDrawFailed = false;  // a draw handler failed in this painting
    TShellPopupMenu* FPopupMenu = nullptr;
    bool FDropRegistered = false;
    int FDropRow = -1;  // the row that shows the drop highlight
    DWORD FSelSize = 0;
    int FSelHold = 0;
    TAttributesImage FAttributesImage;
    std::unique_ptr<TShellFileList> FFileList;
    // Made on the first row that needs it; ended and joined with the view.
    TRowWorkerPtr FRowWorker;
    TShellTreeLink* FTree = nullptr;
};
