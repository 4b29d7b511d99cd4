#include "ui/OwnerDraw.h"

void DrawPlainItem(TCanvas& canvas, const RECT& rect, const std::wstring& text, TOwnerDrawState state)
{
    if (state & odSelected) {
        canvas.SetBrushColor(GetSysColor(COLOR_HIGHLIGHT));
        canvas.SetFontColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    canvas.FillRect(rect);
    canvas.TextOut(rect.left + 2, rect.top, text);
    if (state & odFocused) canvas.DrawFocusRect(rect);
}
