#pragma once
// The list-view base: the common controls' list view, with its columns and
// view style kept by the control so that they survive a new window, and the
// owner-data protocol turned into overridable operations. The window is made
// on demand (see TLazyWinControl).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Canvas.h"
#include "ui/LazyWinControl.h"
#include "ui/OwnerDraw.h"
#include "ui/ShiftState.h"
#include "ui/ViewStyle.h"

// What the control asks of a row in owner-data mode (bits).
enum TItemRequest : unsigned { irText = 1, irImage = 2, irParam = 4, irState = 8 };

// One row as the owner produces it.
struct TListRow {
    std::wstring Caption;
    std::vector<std::wstring> SubItems;  // columns 1, 2, ...
    int ImageIndex = -1;
    UINT OverlayState = 0;  // INDEXTOOVERLAYMASK bits
    void* Data = nullptr;
};

enum TItemFind { ifData, ifPartialString, ifExactString, ifNearest };

struct TListColumn {
    std::wstring Caption;
    int Width = 50;
    int Alignment = LVCFMT_LEFT;  // LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER
};

// Where the icon styles put the icons: in rows from the top, or in columns from the left.
enum TIconArrangement { iaTop, iaLeft };

// How the icon styles lay out their rows.
struct TIconOptions {
    TIconArrangement Arrangement = iaTop;
    // The icons are arranged again as rows come and go; the views have always been so.
    bool AutoArrange = true;
    // Captions wrap onto more lines beneath their icons.
    bool WrapText = true;
    bool operator==(const TIconOptions&) const = default;
};

class TCustomListView;
using TListColumnClickEvent = std::function<void(TObject* Sender, int Column)>;
using TListDataStateChangeEvent =
    std::function<void(TObject* Sender, int StartIndex, int EndIndex, UINT OldState, UINT NewState)>;
using TListEditingEvent = std::function<void(TObject* Sender, int Item, bool& AllowEdit)>;
using TListEditedEvent = std::function<void(TObject* Sender, int Item, std::wstring& Text)>;

class TCustomListView : public TLazyWinControl {
public:
    // The window comes with HandleNeeded. Bounds are layout pixels.
    TCustomListView(TComponent* owner, TWinControl* parent, const TBounds& bounds);
    ~TCustomListView() override;

    TViewStyle ViewStyle() const { return FViewStyle; }
    virtual void SetViewStyle(TViewStyle value);
    bool OwnerData() const { return FOwnerData; }
    // Owner data is a creation style: a live window is made again.
    void SetOwnerData(bool value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool value);
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool value);
    // Rows light up under the pointer.
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool value);
    // The user may drag the column headers to reorder them.
    bool FullDrag() const { return FFullDrag; }
    void SetFullDrag(bool value);
    bool FlatScrollBars() const { return FFlatScrollBars; }
    void SetFlatScrollBars(bool value);
    // The column headers are buttons that report clicks.
    bool ColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool value);
    // The selection is shown only while the control has the focus.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    // How long the pointer rests on a row before hot tracking selects it, in
    // milliseconds; 0 for the system's own time.
    DWORD HoverTime() const { return FHoverTime; }
    void SetHoverTime(DWORD value);
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    const TIconOptions& IconOptions() const { return FIconOptions; }
    void SetIconOptions(const TIconOptions& value);
    // The report style's rows are drawn by DrawItem (OnDrawItem). The control
    // measures its rows as its window is made: a live window is made again.
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool value);
    // The icon styles' work areas, in client coordinates; at most LV_MAX_WORKAREAS.
    const std::vector<RECT>& WorkAreas() const { return FWorkAreas; }
    void SetWorkAreas(const std::vector<RECT>& value);
    // Each work area framed with a dotted line in the icon styles.
    bool ShowWorkAreas() const { return FShowWorkAreas; }
    void SetShowWorkAreas(bool value);
    // The surface drawing handlers paint on; lent only while a row is drawn.
    TCanvas& Canvas() { return FCanvas; }
    // The background colour of the rows.
    COLORREF Color() const;
    // The colour of the rows' text.
    COLORREF FontColor() const;
    // Starts in-place editing of the row's caption.
    void EditCaption(int index);

    // Columns, kept by the control; widths and order follow the user's changes.
    int ColumnCount() const { return int(FColumns.size()); }
    TListColumn Column(int index) const;
    void AddColumn(const TListColumn& column);
    void ClearColumns();
    void SetColumnWidth(int index, int width);
    void SetColumnAlignment(int index, int alignment);
    // The display position of each column, by column index (the control's order array).
    std::vector<int> ColumnOrder() const;
    void SetColumnOrder(const std::vector<int>& order);

    // Rows (owner data: only the count is the control's).
    int ItemCount() const;
    // `flags`: LVSICF_NOSCROLL, LVSICF_NOINVALIDATEALL.
    void SetItemCount(int count, DWORD flags = 0);
    // Item states: LVIS_SELECTED, LVIS_FOCUSED, LVIS_DROPHILITED, ...; index -1 sets every row.
    bool ItemHasState(int index, UINT state) const;
    void SetItemState(int index, UINT state, bool on);
    // The next row after `start` (-1: from the first) with the LVNI_* flags; -1 when none.
    int NextItem(int start, UINT flags) const;
    int SelCount() const;
    void MakeVisible(int index, bool partialOK);
    // The first row shown (report and list styles; 0 in the icon styles).
    int TopIndex() const;
    // Scrolls until the row is the first one shown, as far as the rows below
    // allow; not while a row's caption is being edited.
    void ScrollToTop(int index);
    // Repaints every row, with their texts asked again.
    void UpdateItems();
    // Repaints the rows first..last, with their texts asked again.
    void RedrawRows(int first, int last);

    // Holds the control's drawing while the rows change; counted.
    void BeginUpdate();
    void EndUpdate();

    TListColumnClickEvent OnColumnClick;
    TListDataStateChangeEvent OnDataStateChange;
    TContextPopupEvent OnContextPopup;
    TDrawItemEvent OnDrawItem;
    TListEditingEvent OnEditing;
    TListEditedEvent OnEdited;

protected:
    // Makes the window from the kept columns, style and count.
    void CreateWnd() override;
    // The kept state keeps what the user changed in the window.
    void DestroyWnd() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT CNNotify(NMHDR& header) override;
    bool CNDrawItem(const DRAWITEMSTRUCT& draw) override;

    // Owner-data hooks. Fetch fills `row` for what `request` asks; false: no such row.
    virtual bool OwnerDataFetch(int index, unsigned request, TListRow& row);
    virtual bool OwnerDataHint(int startIndex, int endIndex);
    // The row found, or -1.
    virtual int OwnerDataFind(TItemFind find, const std::wstring& text, void* data, int startIndex, bool wrap);
    virtual bool OwnerDataStateChange(int startIndex, int endIndex, UINT oldState, UINT newState);
    // A row changed (LVN_ITEMCHANGED); index -1 for every row at once.
    virtual void ItemChanged(const NMLISTVIEW& change);
    // Double click or Enter on a row.
    virtual void ItemActivate(int index, int subItem, TShiftState shift, POINT point);
    virtual void ColClick(int column);
    virtual bool CanEdit(int index);
    virtual void Edit(int index, std::wstring& text);
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // An owner-drawn row's turn, on Canvas with the control's font and colours.
    virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);

private:
    DWORD WindowStyle() const;
    DWORD ExtendedStyle() const;
    void ApplyStyle();
    void ApplyExtendedStyle();
    // Compare, store, and put the style into a live window.
    void ChangeStyleFlag(bool& flag, bool value);
    void ChangeExtendedFlag(bool& flag, bool value);
    void ApplyColumns();
    // Reads the user's widths and order back before the window goes.
    void KeepColumnLayout();
    void InsertColumnIntoWindow(int index);
    LRESULT GetDispInfo(NMLVDISPINFOW& info);
    LRESULT FindItem(const NMLVFINDITEMW& find);
    bool FetchRow(int index, unsigned request);
    LRESULT BeginLabelEdit(const NMLVDISPINFOW& info);
    LRESULT EndLabelEdit(NMLVDISPINFOW& info);
    LRESULT WMContextMenu(WPARAM wParam, LPARAM lParam);
    void ApplyWorkAreas();
    bool FramesWorkAreas() const;
    // Paints, then frames the work areas where the control painted.
    LRESULT PaintFramingWorkAreas();

    TViewStyle FViewStyle = vsIcon;
    bool FOwnerData = false;
    bool FMultiSelect = true;
    bool FReadOnly = false;
    bool FRowSelect = false;
    bool FGridLines = false;
    bool FCheckboxes = false;
    bool FHotTrack = false;
    bool FFullDrag = true;
    bool FFlatScrollBars = false;
    bool FColumnClick = true;
    bool FHideSelection = true;
    bool FShowColumnHeaders = true;
    DWORD FHoverTime = 0;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    TIconOptions FIconOptions;
    bool FOwnerDraw = false;
    std::vector<RECT> FWorkAreas;
    bool FShowWorkAreas = false;
    TCanvas FCanvas;
    std::vector<TListColumn> FColumns;
    std::vector<int> FColumnOrder;
    int FItemCount = 0;
    int FUpdateCount = 0;
    // The last row fetched: the control asks once per column while it paints a row.
    int FDropHighlighted = -1;  // owner data only: the control keeps no such state itself
    int FFetchedIndex = -1;
    unsigned FFetchedRequest = 0;
    TListRow FFetched;
};
