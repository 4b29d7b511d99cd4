#pragma once
// Panels, buttons, labels and the icon holder.
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
};

// Holds an icon for whoever needs it; it draws nothing by itself.
class TImage : public TComponent {
public:
    explicit TImage(TComponent* owner) : TComponent(owner) {}
    TIcon Icon;
};
