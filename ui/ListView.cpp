#include "ui/ListView.h"

#include <windowsx.h>

#include <algorithm>

namespace {
constexpr SIZE kDefaultSize{250, 150};

constexpr DWORD ViewStyleBits(TViewStyle style)
{
    switch (style) {
    case vsIcon: return LVS_ICON;
    case vsSmallIcon: return LVS_SMALLICON;
    case vsList: return LVS_LIST;
    case vsReport: return LVS_REPORT;
    }
    return LVS_ICON;
}

TShiftState KeyFlagsToShift(UINT flags)
{
    TShiftState shift;
    if (flags & LVKF_ALT) shift.Include(ssAlt);
    if (flags & LVKF_CONTROL) shift.Include(ssCtrl);
    if (flags & LVKF_SHIFT) shift.Include(ssShift);
    return shift;
}
}  // namespace

TCustomListView::TCustomListView(TComponent* owner, TWinControl* parent, const TBounds& bounds)
    : TLazyWinControl(owner, parent, bounds, kDefaultSize)
{
}

TCustomListView::~TCustomListView()
{
    if (HandleAllocated()) TCustomListView::DestroyWnd();
}

DWORD TCustomListView::WindowStyle() const
{
    DWORD style = WS_VISIBLE | WS_TABSTOP | LVS_SHAREIMAGELISTS | ViewStyleBits(FViewStyle);
    if (FIconOptions.Arrangement == iaLeft) style |= LVS_ALIGNLEFT;
    if (FIconOptions.AutoArrange) style |= LVS_AUTOARRANGE;
    if (!FIconOptions.WrapText) style |= LVS_NOLABELWRAP;
    if (FOwnerData) style |= LVS_OWNERDATA;
    if (FOwnerDraw) style |= LVS_OWNERDRAWFIXED;
    if (!FMultiSelect) style |= LVS_SINGLESEL;
    if (!FReadOnly) style |= LVS_EDITLABELS;
    if (!FColumnClick) style |= LVS_NOSORTHEADER;
    if (!FHideSelection) style |= LVS_SHOWSELALWAYS;
    if (!FShowColumnHeaders) style |= LVS_NOCOLUMNHEADER;
    return style;
}

void TCustomListView::CreateWnd()
{
    CreateControlWnd(WC_LISTVIEWW, WindowStyle(), BorderExStyle(FBorderStyle));
    ApplyExtendedStyle();
    if (FHoverTime) ListView_SetHoverTime(Handle(), FHoverTime);
    // Overlays come from the owner with the rest of the row.
    if (FOwnerData) ListView_SetCallbackMask(Handle(), LVIS_OVERLAYMASK | LVIS_DROPHILITED);
    ApplyColumns();
    if (!FWorkAreas.empty()) ApplyWorkAreas();
    FFetchedIndex = -1;
    if (FItemCount > 0) ListView_SetItemCountEx(Handle(), FItemCount, 0);
}

void TCustomListView::DestroyWnd()
{
    KeepColumnLayout();
    FUpdateCount = 0;
    TLazyWinControl::DestroyWnd();
}

LRESULT TCustomListView::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        // What was fetched for the last paint may have changed since.
        FFetchedIndex = -1;
        if (FramesWorkAreas() && !wParam) return PaintFramingWorkAreas();
        break;
    case WM_CONTEXTMENU:
        return WMContextMenu(wParam, lParam);
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

LRESULT TCustomListView::WMContextMenu(WPARAM wParam, LPARAM lParam)
{
    POINT pos{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (pos.x == -1 && pos.y == -1) {
        // From the keyboard: at the focused row, or the control's corner.
        RECT r{};
        const int focused = NextItem(-1, LVNI_FOCUSED);
        if (focused < 0 || !ListView_GetItemRect(Handle(), focused, &r, LVIR_LABEL)) r = RECT{};
        pos = POINT{r.left, r.bottom};
    } else {
        ScreenToClient(Handle(), &pos);
    }
    bool handled = false;
    DoContextPopup(pos, handled);
    return handled ? 0 : DefaultHandler(WM_CONTEXTMENU, wParam, lParam);
}

void TCustomListView::DoContextPopup(POINT mousePos, bool& handled)
{
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TCustomListView::SetViewStyle(TViewStyle value)
{
    FViewStyle = value;
    ApplyStyle();
}

void TCustomListView::SetOwnerData(bool value)
{
    if (value == FOwnerData) return;
    FOwnerData = value;
    RecreateWnd();
}

void TCustomListView::SetOwnerDraw(bool value)
{
    if (value == FOwnerDraw) return;
    FOwnerDraw = value;
    RecreateWnd();
}

void TCustomListView::SetIconOptions(const TIconOptions& value)
{
    if (value == FIconOptions) return;
    FIconOptions = value;
    ApplyStyle();
    // The icons already there take the new arrangement, unless the user places them.
    if (HandleAllocated() && FIconOptions.AutoArrange) ListView_Arrange(Handle(), LVA_DEFAULT);
}

void TCustomListView::ChangeStyleFlag(bool& flag, bool value)
{
    if (value == flag) return;
    flag = value;
    ApplyStyle();
}

void TCustomListView::ChangeExtendedFlag(bool& flag, bool value)
{
    if (value == flag) return;
    flag = value;
    ApplyExtendedStyle();
}

void TCustomListView::SetMultiSelect(bool value) { ChangeStyleFlag(FMultiSelect, value); }

void TCustomListView::SetReadOnly(bool value) { ChangeStyleFlag(FReadOnly, value); }

void TCustomListView::SetColumnClick(bool value) { ChangeStyleFlag(FColumnClick, value); }

void TCustomListView::SetHideSelection(bool value) { ChangeStyleFlag(FHideSelection, value); }

void TCustomListView::SetShowColumnHeaders(bool value) { ChangeStyleFlag(FShowColumnHeaders, value); }

void TCustomListView::SetBorderStyle(TBorderStyle value)
{
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    ApplyBorderStyle(value);
}

DWORD TCustomListView::ExtendedStyle() const
{
    DWORD style = LVS_EX_DOUBLEBUFFER;
    if (FFullDrag) style |= LVS_EX_HEADERDRAGDROP;
    if (FRowSelect) style |= LVS_EX_FULLROWSELECT;
    if (FGridLines) style |= LVS_EX_GRIDLINES;
    if (FCheckboxes) style |= LVS_EX_CHECKBOXES;
    if (FHotTrack) style |= LVS_EX_TRACKSELECT;
    if (FFlatScrollBars) style |= LVS_EX_FLATSB;
    return style;
}

void TCustomListView::ApplyExtendedStyle()
{
    if (HandleAllocated()) ListView_SetExtendedListViewStyle(Handle(), ExtendedStyle());
}

void TCustomListView::SetRowSelect(bool value) { ChangeExtendedFlag(FRowSelect, value); }

void TCustomListView::SetGridLines(bool value) { ChangeExtendedFlag(FGridLines, value); }

void TCustomListView::SetHoverTime(DWORD value)
{
    if (value == FHoverTime) return;
    FHoverTime = value;
    if (HandleAllocated()) ListView_SetHoverTime(Handle(), value ? value : HOVER_DEFAULT);
}

void TCustomListView::SetCheckboxes(bool value) { ChangeExtendedFlag(FCheckboxes, value); }

void TCustomListView::SetHotTrack(bool value) { ChangeExtendedFlag(FHotTrack, value); }

void TCustomListView::SetFullDrag(bool value) { ChangeExtendedFlag(FFullDrag, value); }

void TCustomListView::SetFlatScrollBars(bool value) { ChangeExtendedFlag(FFlatScrollBars, value); }

COLORREF TCustomListView::Color() const
{
    const COLORREF color = HandleAllocated() ? ListView_GetBkColor(Handle()) : CLR_NONE;
    return color == CLR_NONE ? GetSysColor(COLOR_WINDOW) : color;
}

COLORREF TCustomListView::FontColor() const
{
    const COLORREF color = HandleAllocated() ? ListView_GetTextColor(Handle()) : CLR_DEFAULT;
    return color == CLR_DEFAULT || color == CLR_NONE ? GetSysColor(COLOR_WINDOWTEXT) : color;
}

void TCustomListView::EditCaption(int index)
{
    if (!HandleAllocated()) return;
    SetFocus(Handle());
    ListView_EditLabel(Handle(), index);
}

void TCustomListView::ApplyStyle()
{
    if (!HandleAllocated()) return;
    constexpr DWORD mask = LVS_TYPEMASK | LVS_SINGLESEL | LVS_EDITLABELS | LVS_OWNERDATA | LVS_NOSORTHEADER |
                           LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_ALIGNMASK | LVS_AUTOARRANGE |
                           LVS_NOLABELWRAP;
    const DWORD kept = DWORD(GetWindowLongPtrW(Handle(), GWL_STYLE)) & ~mask;
    SetWindowLongPtrW(Handle(), GWL_STYLE, kept | (WindowStyle() & mask));
}

// --- columns ---------------------------------------------------------------

TListColumn TCustomListView::Column(int index) const
{
    TListColumn column = FColumns.at(size_t(index));
    if (HandleAllocated()) column.Width = ListView_GetColumnWidth(Handle(), index);
    return column;
}

void TCustomListView::InsertColumnIntoWindow(int index)
{
    const TListColumn& column = FColumns[size_t(index)];
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lvc.fmt = column.Alignment;
    lvc.cx = column.Width;
    lvc.pszText = const_cast<wchar_t*>(column.Caption.c_str());
    lvc.iSubItem = index;
    ListView_InsertColumn(Handle(), index, &lvc);
}

void TCustomListView::AddColumn(const TListColumn& column)
{
    KeepColumnLayout();
    FColumns.push_back(column);
    FColumnOrder.push_back(int(FColumns.size()) - 1);
    if (HandleAllocated()) InsertColumnIntoWindow(int(FColumns.size()) - 1);
}

void TCustomListView::ClearColumns()
{
    if (HandleAllocated())
        while (ListView_DeleteColumn(Handle(), 0)) {
        }
    FColumns.clear();
    FColumnOrder.clear();
}

void TCustomListView::SetColumnWidth(int index, int width)
{
    FColumns.at(size_t(index)).Width = width;
    if (HandleAllocated()) ListView_SetColumnWidth(Handle(), index, width);
}

void TCustomListView::SetColumnAlignment(int index, int alignment)
{
    FColumns.at(size_t(index)).Alignment = alignment;
    if (!HandleAllocated()) return;
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_FMT;
    lvc.fmt = alignment;
    ListView_SetColumn(Handle(), index, &lvc);
}

std::vector<int> TCustomListView::ColumnOrder() const
{
    std::vector<int> order(FColumns.size());
    if (HandleAllocated() && !order.empty() &&
        ListView_GetColumnOrderArray(Handle(), int(order.size()), order.data()))
        return order;
    return FColumnOrder;
}

void TCustomListView::SetColumnOrder(const std::vector<int>& order)
{
    if (order.size() != FColumns.size()) return;
    FColumnOrder = order;
    if (HandleAllocated() && !order.empty())
        ListView_SetColumnOrderArray(Handle(), int(order.size()), const_cast<int*>(order.data()));
}

void TCustomListView::KeepColumnLayout()
{
    if (!HandleAllocated()) return;
    FColumnOrder = ColumnOrder();
    for (size_t i = 0; i < FColumns.size(); ++i) FColumns[i].Width = ListView_GetColumnWidth(Handle(), int(i));
}

void TCustomListView::ApplyColumns()
{
    for (int i = 0; i < ColumnCount(); ++i) InsertColumnIntoWindow(i);
    SetColumnOrder(std::vector<int>(FColumnOrder));
}

// --- rows ------------------------------------------------------------------

int TCustomListView::ItemCount() const
{
    return HandleAllocated() ? ListView_GetItemCount(Handle()) : FItemCount;
}

void TCustomListView::SetItemCount(int count, DWORD flags)
{
    FItemCount = count;
    FFetchedIndex = -1;
    if (FDropHighlighted >= count) FDropHighlighted = -1;
    if (HandleAllocated()) ListView_SetItemCountEx(Handle(), count, flags);
}

bool TCustomListView::ItemHasState(int index, UINT state) const
{
    return HandleAllocated() && (ListView_GetItemState(Handle(), index, state) & state) == state;
}

void TCustomListView::SetItemState(int index, UINT state, bool on)
{
    if (!HandleAllocated()) return;
    // An owner-data control keeps only selection and focus; the drop highlight is kept here.
    if (FOwnerData && (state & LVIS_DROPHILITED)) {
        const int old = FDropHighlighted;
        if (on) FDropHighlighted = index;
        else if (index < 0 || index == FDropHighlighted) FDropHighlighted = -1;
        for (int row : {old, FDropHighlighted})
            if (row >= 0) ListView_RedrawItems(Handle(), row, row);
        state &= ~UINT(LVIS_DROPHILITED);
        if (!state) return;
    }
    ListView_SetItemState(Handle(), index, on ? state : 0, state);
}

int TCustomListView::NextItem(int start, UINT flags) const
{
    return HandleAllocated() ? ListView_GetNextItem(Handle(), start, flags) : -1;
}

int TCustomListView::SelCount() const
{
    return HandleAllocated() ? int(ListView_GetSelectedCount(Handle())) : 0;
}

void TCustomListView::MakeVisible(int index, bool partialOK)
{
    if (HandleAllocated()) ListView_EnsureVisible(Handle(), index, partialOK);
}

int TCustomListView::TopIndex() const
{
    return HandleAllocated() ? ListView_GetTopIndex(Handle()) : 0;
}

void TCustomListView::ScrollToTop(int index)
{
    // Scrolling ends an in-place edit (Wine's control does): the row being edited holds the place then.
    if (!HandleAllocated() || index < 0 || index >= ItemCount() || ListView_GetEditControl(Handle())) return;
    if (ViewStyle() != vsReport) {
        MakeVisible(index, false);
        return;
    }
    // Report style scrolls by pixels, which the control rounds to whole rows.
    RECT row{};
    if (!ListView_GetItemRect(Handle(), index, &row, LVIR_BOUNDS)) return;
    const int height = row.bottom - row.top;
    if (height > 0) ListView_Scroll(Handle(), 0, (index - TopIndex()) * height);
}

void TCustomListView::UpdateItems()
{
    FFetchedIndex = -1;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TCustomListView::RedrawRows(int first, int last)
{
    FFetchedIndex = -1;
    if (HandleAllocated()) ListView_RedrawItems(Handle(), first, last);
}

void TCustomListView::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated()) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomListView::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0 || !HandleAllocated()) return;
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    UpdateItems();
}

// --- notifications ---------------------------------------------------------

LRESULT TCustomListView::CNNotify(NMHDR& header)
{
    switch (header.code) {
    case LVN_GETDISPINFOW:
        return GetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(header));
    case LVN_ODCACHEHINT: {
        const auto& hint = reinterpret_cast<const NMLVCACHEHINT&>(header);
        OwnerDataHint(hint.iFrom, hint.iTo);
        return 0;
    }
    case LVN_ODFINDITEMW:
        return FindItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
    case LVN_ODSTATECHANGED: {
        const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        OwnerDataStateChange(change.iFrom, change.iTo, change.uOldState, change.uNewState);
        return 0;
    }
    case LVN_ITEMCHANGED:
        ItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    case LVN_ITEMACTIVATE: {
        const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
        // Wine leaves the row out when Enter activates: the focused row is the one meant.
        const bool named = activate.iItem >= 0 && activate.iItem < ItemCount() &&
                           ItemHasState(activate.iItem, LVIS_FOCUSED);
        ItemActivate(named ? activate.iItem : NextItem(-1, LVNI_FOCUSED), named ? activate.iSubItem : 0,
                     KeyFlagsToShift(activate.uKeyFlags), activate.ptAction);
        return 0;
    }
    case LVN_COLUMNCLICK:
        ColClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_BEGINLABELEDITW:
        return BeginLabelEdit(reinterpret_cast<const NMLVDISPINFOW&>(header));
    case LVN_ENDLABELEDITW:
        return EndLabelEdit(reinterpret_cast<NMLVDISPINFOW&>(header));
    }
    return 0;
}

bool TCustomListView::FetchRow(int index, unsigned request)
{
    if (index != FFetchedIndex) {
        FFetched = TListRow{};
        FFetchedIndex = index;
        FFetchedRequest = 0;
    }
    // Only what was not asked yet: a state check must not pay for texts and icons.
    const unsigned missing = request & ~FFetchedRequest;
    if (missing == 0) return true;
    if (!OwnerDataFetch(index, missing, FFetched)) {
        FFetchedIndex = -1;
        return false;
    }
    FFetchedRequest |= missing;
    return true;
}

LRESULT TCustomListView::GetDispInfo(NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if (!FOwnerData) return 0;
    // Every column's text at once: the control asks for them column by column.
    unsigned request = 0;
    if (item.mask & LVIF_TEXT) request |= irText;
    if (item.mask & LVIF_IMAGE) request |= irImage;
    if (item.mask & LVIF_PARAM) request |= irParam;
    if (item.mask & LVIF_STATE) request |= irState;
    if (!FetchRow(item.iItem, request)) return 0;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring* text = nullptr;
        if (item.iSubItem == 0) text = &FFetched.Caption;
        else if (size_t(item.iSubItem) <= FFetched.SubItems.size()) text = &FFetched.SubItems[size_t(item.iSubItem) - 1];
        lstrcpynW(item.pszText, text ? text->c_str() : L"", item.cchTextMax);
    }
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = FFetched.ImageIndex;
    if (item.mask & LVIF_PARAM) item.lParam = LPARAM(FFetched.Data);
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~(LVIS_OVERLAYMASK | LVIS_DROPHILITED)) | (FFetched.OverlayState & LVIS_OVERLAYMASK) |
                     (item.iItem == FDropHighlighted ? LVIS_DROPHILITED : 0);
        item.stateMask |= LVIS_OVERLAYMASK | LVIS_DROPHILITED;
    }
    return 0;
}

LRESULT TCustomListView::FindItem(const NMLVFINDITEMW& find)
{
    const UINT flags = find.lvfi.flags;
    TItemFind kind = ifNearest;
    if (flags & LVFI_PARAM) kind = ifData;
    else if (flags & LVFI_PARTIAL) kind = ifPartialString;
    else if (flags & LVFI_STRING) kind = ifExactString;
    const std::wstring text = (flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz ? find.lvfi.psz : L"";
    return OwnerDataFind(kind, text, reinterpret_cast<void*>(find.lvfi.lParam), find.iStart, (flags & LVFI_WRAP) != 0);
}

LRESULT TCustomListView::BeginLabelEdit(const NMLVDISPINFOW& info)
{
    // TRUE keeps the control from editing.
    return CanEdit(info.item.iItem) ? FALSE : TRUE;
}

LRESULT TCustomListView::EndLabelEdit(NMLVDISPINFOW& info)
{
    if (!info.item.pszText) return FALSE;  // cancelled
    std::wstring text = info.item.pszText;
    Edit(info.item.iItem, text);
    UpdateItems();
    return FALSE;
}

bool TCustomListView::OwnerDataFetch(int, unsigned, TListRow&) { return false; }

bool TCustomListView::OwnerDataHint(int, int) { return false; }

int TCustomListView::OwnerDataFind(TItemFind, const std::wstring&, void*, int, bool) { return -1; }

bool TCustomListView::OwnerDataStateChange(int startIndex, int endIndex, UINT oldState, UINT newState)
{
    if (OnDataStateChange) OnDataStateChange(this, startIndex, endIndex, oldState, newState);
    return true;
}

void TCustomListView::ItemChanged(const NMLISTVIEW&) {}

void TCustomListView::ItemActivate(int, int, TShiftState, POINT) {}

void TCustomListView::ColClick(int column)
{
    if (OnColumnClick) OnColumnClick(this, column);
}

bool TCustomListView::CanEdit(int index)
{
    bool allow = !FReadOnly && index >= 0;
    if (allow && OnEditing) OnEditing(this, index, allow);
    return allow;
}

void TCustomListView::Edit(int index, std::wstring& text)
{
    if (OnEdited) OnEdited(this, index, text);
}
