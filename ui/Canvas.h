#pragma once
// A drawing surface lent for the span of a paint: a device context with the
// font and brush colours a handler may change. A change is reported through
// OnChange, so the control that lent it knows to use the new colours.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

class TCanvas {
public:
    HDC Handle() const { return FHandle; }
    // Lends the device context with the colours to start from; Detach ends the loan.
    void Attach(HDC dc, COLORREF fontColor, COLORREF brushColor);
    void Detach();

    COLORREF FontColor() const { return FFontColor; }
    void SetFontColor(COLORREF value);
    COLORREF BrushColor() const { return FBrushColor; }
    void SetBrushColor(COLORREF value);

    // The font that text is written and measured in until Detach.
    void SetFont(HFONT font);

    void FillRect(const RECT& rect);
    // Text in the font colour, over whatever lies beneath.
    void TextOut(int x, int y, const std::wstring& text);
    int TextWidth(const std::wstring& text) const;
    int TextHeight(const std::wstring& text) const;
    void DrawFocusRect(const RECT& rect);
    void DrawImage(HIMAGELIST images, int index, int x, int y);
    // With the image list's ILD_ style bits (focus blend, overlay mask); blended with the system colour.
    void DrawImage(HIMAGELIST images, int index, int x, int y, UINT style);
    // Limits drawing to the rectangle until Detach; false when the region cannot be selected.
    bool ClipTo(const RECT& rect);

    std::function<void()> OnChange;

private:
    void Changed();

    HDC FHandle = nullptr;
    int FSavedState = 0;
    COLORREF FFontColor = 0;
    COLORREF FBrushColor = 0;
};
