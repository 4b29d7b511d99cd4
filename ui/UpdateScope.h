#pragma once
// Holds a control's drawing (and the work the control does for it) off
// while many items change, and lets it draw again on every way out.
template <class TControl>
class TUpdateScope {
public:
    explicit TUpdateScope(TControl& control) : FControl(control) { FControl.BeginUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;
    ~TUpdateScope() { FControl.EndUpdate(); }

private:
    TControl& FControl;
};
