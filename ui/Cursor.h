#pragma once
// The hourglass for the span of a long operation on the main thread; the
// cursor that was shown comes back when the scope ends, also on an error.
#include <windows.h>

class TWaitCursor {
public:
    TWaitCursor() : FOld(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(FOld); }

private:
    HCURSOR FOld;
};
