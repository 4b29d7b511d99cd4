#pragma once
// The combo-box base: a drop-down list whose strings the control keeps, so
// that a new window gets them again, and whose items the owner may draw. In
// csOwnerDrawVariable each item is measured on its own as it goes into the
// window, and so is the selection field (index -1). The window is made on
// demand (see TLazyWinControl).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Canvas.h"
#include "ui/Graphics.h"
#include "ui/LazyWinControl.h"
#include "ui/OwnerDraw.h"
#include "ui/ShiftState.h"

enum TComboBoxStyle { csDropDownList, csOwnerDrawVariable };

using TMeasureItemEvent = std::function<void(TObject* Sender, int Index, int& Height)>;
// A handler that sets Key to 0 keeps the key from the control.
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;

class TCustomComboBox : public TLazyWinControl {
public:
    // The window comes with HandleNeeded. Bounds are layout pixels; the height is the closed control's.
    TCustomComboBox(TComponent* owner, TWinControl* parent, const TBounds& bounds);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return FStyle; }
    // A creation style: a live window is made again.
    void SetStyle(TComboBoxStyle value);
    // Items the open list shows before it scrolls.
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value) { FDropDownCount = value; }
    // What an item measures before OnMeasureItem or a descendant says otherwise.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value) { FItemHeight = value; }

    // The control's own font when it has one, else its parent's.
    HFONT Font() const override;
    // Gives the control a font of its own; a live window is made again, so its items are measured anew.
    void SetFont(const TFontSpec& font);
    // Follows the system's icon-title font, as the desktop's icons do.
    bool DesktopFont() const { return FDesktopFont; }
    void SetDesktopFont(bool value);
    // The font's height as a font record gives it: negative for the character height.
    int FontHeight() const;
    COLORREF Color() const { return GetSysColor(COLOR_WINDOW); }
    TCanvas& Canvas() { return FCanvas; }

    // Strings, kept by the control.
    int ItemCount() const { return int(FItems.size()); }
    const std::wstring& Item(int index) const { return FItems.at(size_t(index)); }
    void InsertItem(int index, const std::wstring& text);
    void DeleteItem(int index);
    // Holds the control's drawing while the items change; counted.
    void BeginUpdate();
    void EndUpdate();

    // The selected item; -1 for none or without a window.
    int ItemIndex() const;
    void SetItemIndex(int value);
    bool DroppedDown() const;
    void SetDroppedDown(bool value);

    TNotifyEvent OnChange;
    // The user chose an item; raised before OnChange.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TContextPopupEvent OnContextPopup;

protected:
    // Makes the window with the kept strings, each measured again.
    void CreateWnd() override;
    // The window style; descendants add their bits.
    virtual DWORD CreateParams(DWORD style) const;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CommandNotify(WORD code) override;
    bool CNDrawItem(const DRAWITEMSTRUCT& draw) override;
    bool CNMeasureItem(MEASUREITEMSTRUCT& measure) override;
    void WinIniChange() override;

    // The user chose another item.
    virtual void Change();
    virtual void Click();
    virtual void DblClick();
    // The control got or lost the focus.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    // The list is about to open.
    virtual void DropDown();
    // The user asked for the context menu (see OnContextPopup).
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // An item's turn to be drawn on Canvas, which holds the control's font and colours.
    virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    // The system's fonts may have changed.
    virtual void SysFontChanged();

private:
    void TakeIconFont();
    LRESULT WMContextMenu(WPARAM wParam, LPARAM lParam);
    // Key messages go to the key events first; false: a handler took the key.
    bool KeyMessage(UINT message, WPARAM& wParam);
    // Sizes the open list for DropDownCount items of their own heights.
    void AdjustDropDown();

    TComboBoxStyle FStyle = csDropDownList;
    int FDropDownCount = 8;
    int FItemHeight = 16;
    bool FOwnFont = false;
    bool FDesktopFont = false;
    TFont FFont;
    std::vector<std::wstring> FItems;
    int FUpdateCount = 0;
    TCanvas FCanvas;
};
