#pragma once
// The benchmarks' hands and eyes on the virtual desktop: waits with a limit,
// the pointer and keys as a user gives them, and the side bar of the program
// as seen from outside (its window and its listing).
#include <windows.h>

#include <functional>
#include <string>

#include "bench/measure.h"

inline constexpr POINT kAway{640, 400};
inline constexpr POINT kEdge{0, 300};

// Waits, serving this thread's messages, until `done` holds; the time it took, or -1 past the limit.
double WaitFor(const std::function<bool()>& done, double limitMs);

// Moves the pointer and waits until the system reports it there.
void MovePointer(POINT to);
// Mouse input as the hardware gives it: a move to the screen point with the button flags.
void MouseInput(POINT at, DWORD flags);
void Click(POINT at, bool right = false);
void Key(WORD key);
// Types the text as characters, whatever the keyboard layout.
void Type(const std::wstring& text);

std::wstring DesktopDirectory();

// The side bar of the program under test, and its listing.
struct TSideBar {
    HWND Window = nullptr, List = nullptr;

    // The visible side bar of the process.
    bool Find(DWORD pid);
    RECT Bounds() const;
    bool Parked() const { return Bounds().right <= 0; }
    bool Shown() const { return Bounds().left >= 0; }
    int Rows() const;
};

// Rests the pointer on the edge until the bar is in; the time it took, or -1.
double ShowAtEdge(const TSideBar& bar);
// Moves the pointer away until the bar is parked; false past the limit.
bool Park(const TSideBar& bar);
