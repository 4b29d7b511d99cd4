// The list view's custom drawing: handlers paint on a lent canvas, whose
// colours become the row's; attribute marks beside icons and attribute
// images in the attributes column.
#include "shellviews/ShellListView.h"

namespace {
// Read-only, hidden, system and archive: the attributes that get a mark.
constexpr DWORD kMarkedAttributes = 0x27;
}  // namespace

LRESULT TShellListView::CNNotify(NMHDR& header)
{
    if (header.code == NM_CUSTOMDRAW) return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    return TCustomListView::CNNotify(header);
}

void TShellListView::LendCanvas(HDC dc)
{
    // Not the device context's colour: before a row is drawn it still holds the previous row's.
    Canvas().Attach(dc, FontColor(), Color());
    Canvas().OnChange = [this] { FCanvasChanged = true; };
}

void TShellListView::TakeCanvasColours(NMLVCUSTOMDRAW& draw)
{
    if (!FCanvasChanged) return;
    FCanvasChanged = false;
    Canvas().OnChange = nullptr;
    draw.clrText = Canvas().FontColor();
    draw.clrTextBk = Canvas().BrushColor();
}

LRESULT TShellListView::CustomDraw(NMLVCUSTOMDRAW& draw)
{
    try {
        return CustomDrawStage(draw);
    } catch (...) {
        // The device context is the control's and goes after this stage: the canvas lets go of it.
        Canvas().Detach();
        // The other rows of this painting are drawn plainly: one message, not one per row.
        FDrawFailed = true;
        throw;
    }
}

LRESULT TShellListView::CustomDrawStage(NMLVCUSTOMDRAW& draw)
{
    const DWORD stage = draw.nmcd.dwDrawStage;
    if (stage == CDDS_PREPAINT) {
        FDrawFailed = false;
        return FWindowGone ? CDRF_SKIPDEFAULT : CDRF_NOTIFYITEMDRAW;
    }
    if (!(stage & CDDS_ITEM) || FDrawFailed) return CDRF_DODEFAULT;
    LRESULT result = CDRF_DODEFAULT;
    const int item = int(draw.nmcd.dwItemSpec);
    const UINT state = draw.nmcd.uItemState;
    FCanvasChanged = false;
    if (!(stage & CDDS_SUBITEM)) {
        LendCanvas(draw.nmcd.hdc);
        bool subItemDraw = false;
        if (!DoCustomDrawItem(item, state, subItemDraw)) {
            result |= CDRF_SKIPDEFAULT;
        } else {
            TakeCanvasColours(draw);
            if (subItemDraw && ViewStyle() == vsReport) result |= CDRF_NOTIFYSUBITEMDRAW;
        }
        Canvas().Detach();
    } else if (draw.iSubItem != 0) {
        LendCanvas(draw.nmcd.hdc);
        if (!DoCustomDrawSubItem(item, draw.iSubItem, state)) result |= CDRF_SKIPDEFAULT;
        else TakeCanvasColours(draw);
        Canvas().Detach();
    }
    return result;
}

bool TShellListView::DoCustomDrawItem(int item, UINT state, bool& subItemDraw)
{
    bool defaultDraw = true;
    TShellFileItem* row = FFileList->ItemAt(item);
    if (!row) return true;
    subItemDraw = (row->Attributes() & kMarkedAttributes) != 0;
    if (subItemDraw && ViewStyle() == vsIcon && FAttributesImage.ImageList) DrawAttributeMarks(item, *row);
    if (OnCustomDrawItem) OnCustomDrawItem(this, item, state, defaultDraw, subItemDraw);
    return defaultDraw;
}

// Marks stand left of the icon, stacked upward from its bottom: archive lowest, read-only on top.
void TShellListView::DrawAttributeMarks(int item, TShellFileItem& row)
{
    RECT icon{};
    if (!ListView_GetItemRect(Handle(), item, &icon, LVIR_ICON)) return;
    int width = 0, height = 0;
    ImageList_GetIconSize(FAttributesImage.Images(), &width, &height);
    const int right = icon.left + 5;
    int bottom = icon.bottom;
    const DWORD attributes = row.Attributes();
    const std::pair<DWORD, int> marks[] = {{FILE_ATTRIBUTE_ARCHIVE, FAttributesImage.Archive},
                                           {FILE_ATTRIBUTE_SYSTEM, FAttributesImage.System},
                                           {FILE_ATTRIBUTE_HIDDEN, FAttributesImage.Hidden},
                                           {FILE_ATTRIBUTE_READONLY, FAttributesImage.ReadOnly}};
    for (const auto& [attribute, image] : marks) {
        if (!(attributes & attribute)) continue;
        Canvas().DrawImage(FAttributesImage.Images(), image, right - width, bottom - height);
        bottom -= height + 1;
    }
}

bool TShellListView::DoCustomDrawSubItem(int item, int subItem, UINT state)
{
    bool defaultDraw = true;
    if (OnCustomDrawSubItem) OnCustomDrawSubItem(this, item, subItem, state, defaultDraw);
    TShellFileItem* row = FFileList->ItemAt(item);
    if (!defaultDraw || subItem != 4 || !FAttributesImage.ImageList || !row) return defaultDraw;
    return !DrawAttributeImages(item, *row);
}

// The attributes column as images side by side: read-only, hidden, system, archive.
bool TShellListView::DrawAttributeImages(int item, TShellFileItem& row)
{
    RECT cell{};
    if (!ListView_GetSubItemRect(Handle(), item, 4, LVIR_LABEL, &cell) || !Canvas().ClipTo(cell)) return false;
    const bool selectedRow = RowSelect() && ItemHasState(item, LVIS_SELECTED);
    const bool hot = selectedRow && ListView_GetHotItem(Handle()) == item;
    Canvas().SetBrushColor(!selectedRow ? Color() : hot ? RGB(0, 0, 255) : GetSysColor(COLOR_HIGHLIGHT));
    Canvas().FillRect(cell);
    FCanvasChanged = false;
    int width = 0, height = 0;
    ImageList_GetIconSize(FAttributesImage.Images(), &width, &height);
    int x = cell.left;
    const DWORD attributes = row.Attributes();
    const std::pair<DWORD, int> images[] = {{FILE_ATTRIBUTE_READONLY, FAttributesImage.ReadOnly},
                                            {FILE_ATTRIBUTE_HIDDEN, FAttributesImage.Hidden},
                                            {FILE_ATTRIBUTE_SYSTEM, FAttributesImage.System},
                                            {FILE_ATTRIBUTE_ARCHIVE, FAttributesImage.Archive}};
    for (const auto& [attribute, image] : images) {
        if (!(attributes & attribute)) continue;
        Canvas().DrawImage(FAttributesImage.Images(), image, x, cell.top + 2);
        x += width;
    }
    return true;
}
