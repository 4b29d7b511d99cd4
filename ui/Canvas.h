#pragma once
// A drawing surface lent for the span of a paint: a device context with the
// font and brush colours a handler may change. A change is reported through
// OnChange, so the control that lent it knows to use the new colours.
#include <windows.h>
#include <commctrl.h>

#include <functional>

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

    void FillRect(const RECT& rect);
    void DrawImage(HIMAGELIST images, int index, int x, int y);
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
