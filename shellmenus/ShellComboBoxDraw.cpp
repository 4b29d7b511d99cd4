// The combo box's entries as drawn: the icon and the name, indented by depth
// in the open list; the selected folder's path in the closed control.
#include <algorithm>
#include <cstdlib>

#include "shellmenus/ShellComboBox.h"

namespace {
// The gap between an icon and its text.
constexpr int kTextGap = 4;
// No entry is lower than the small icons need.
constexpr int kMinItemHeight = 18;
}  // namespace

bool TShellComboBox::CNDrawItem(const DRAWITEMSTRUCT& draw)
{
    FDrawingEdit = (draw.itemState & ODS_COMBOBOXEDIT) != 0;
    // A list in the middle of its rebuilding is not drawn.
    if (!FListReady) return true;
    return TCustomComboBox::CNDrawItem(draw);
}

void TShellComboBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state)
{
    TShellComboItem* entry = FComboList.Items(index);
    if (!entry || !entry->IsValid()) return;
    TCanvas& canvas = Canvas();
    int width = 16, height = 16;
    ImageList_GetIconSize(FImages, &width, &height);
    const int iconX = FDrawingEdit ? rect.left : rect.left + entry->Indent();
    const int textX = iconX + width + kTextGap;
    // The closed control names a folder by its path; the Desktop (index 0) by its name.
    std::wstring text = FDrawingEdit && index >= 1 ? entry->Path() : std::wstring();
    if (text.empty()) text = entry->DisplayName();
    const int iconY = rect.top + (rect.bottom - rect.top - height) / 2;
    const int textY = rect.top + (rect.bottom - rect.top - canvas.TextHeight(text)) / 2;
    const bool selected = (state & odSelected) != 0;
    if (selected) {
        canvas.SetBrushColor(GetSysColor(COLOR_HIGHLIGHT));
        canvas.SetFontColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    // Only the text's background is painted.
    RECT textRect = rect;
    textRect.left = textX - 1;
    textRect.right = textRect.left + canvas.TextWidth(text);
    canvas.FillRect(textRect);
    canvas.TextOut(textX, textY, text);
    UINT style = selected ? ILD_FOCUS : ILD_NORMAL;
    if (entry->HasAttribute(iaShare)) style |= INDEXTOOVERLAYMASK(entry->OverlayIndex() + 1);
    canvas.DrawImage(FImages, selected ? entry->SelectedIndex() : entry->ImageIndex(), iconX, iconY, style);
    if (state & odFocused) canvas.DrawFocusRect(textRect);
}

void TShellComboBox::MeasureItem(int index, int& height)
{
    TCustomComboBox::MeasureItem(index, height);
    // The nearest whole number to 1.2 times the font's height, in integers: tenths never end in a half.
    const int fontHeight = std::abs(FontHeight());
    height = std::max((fontHeight * 12 + 5) / 10, kMinItemHeight);
}
