#pragma once
// Panels, buttons, labels, edit fields, list boxes, icons and the icon holder.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/Graphics.h"
#include "ui/WinControl.h"

// A plain container with the button-face colour.
class TPanel : public TWinControl {
public:
    TPanel(TComponent* owner, TWinControl* parent, const TBounds& bounds, TAlign align = TAlign::alNone);
};

class TButton : public TWinControl {
public:
    TButton(TComponent* owner, TWinControl* parent, const TBounds& bounds, const std::wstring& caption);
    // Presses the button as a click would.
    void Click();

    TNotifyEvent OnClick;

protected:
    void CommandNotify(WORD code) override;
};

class TLabel : public TWinControl {
public:
    TLabel(TComponent* owner, TWinControl* parent, const TBounds& bounds, const std::wstring& caption);
    // A font of the label's own instead of its form's, in layout pixels.
    void SetFont(const TFontSpec& request);
    HFONT Font() const override;

protected:
    void ChangeDpi(int screenDpi) override;

private:
    void MakeFont();

    std::optional<TFontSpec> FFontRequest;
    std::unique_ptr<TFont> FFont;
};

// A one-line edit field; its text is the window text.
class TEdit : public TWinControl {
public:
    TEdit(TComponent* owner, TWinControl* parent, const TBounds& bounds);
    std::wstring Text() const { return Caption(); }
    void SetText(const std::wstring& value) { SetCaption(value); }

    // The text changed, by the user or the program.
    TNotifyEvent OnChange;

protected:
    void CommandNotify(WORD code) override;
    virtual void Change();
};

// A list of text lines with at most one selected. The lines live here and
// the control draws the ones in view, so a list of a million lines is
// filled at once.
class TListBox : public TWinControl {
public:
    // itemHeight is in layout pixels.
    TListBox(TComponent* owner, TWinControl* parent, const TBounds& bounds, int itemHeight);

    const std::vector<std::wstring>& Items() const { return FItems; }
    void SetItems(std::vector<std::wstring> items);
    int Count() const { return int(FItems.size()); }
    // The selected line; -1 for none. Selecting a line scrolls it into view.
    int ItemIndex() const;
    void SetItemIndex(int value);
    // The first line in view.
    int TopIndex() const;

protected:
    bool CNDrawItem(const DRAWITEMSTRUCT& draw) override;

private:
    std::vector<std::wstring> FItems;
};

// Shows an icon; it keeps a copy of its own.
class TIconView : public TWinControl {
public:
    TIconView(TComponent* owner, TWinControl* parent, const TBounds& bounds);
    const TIcon& Icon() const { return FIcon; }
    void SetIcon(const TIcon& value);

private:
    TIcon FIcon;
};

// Holds an icon for whoever needs it; it draws nothing by itself.
class TImage : public TComponent {
public:
    explicit TImage(TComponent* owner) : TComponent(owner) {}
    TIcon Icon;
};
