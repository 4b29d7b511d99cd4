#pragma once
// Waiting in tests: messages keep flowing (timers, window procedures) until
// a condition holds or the limit passes. Never a blind sleep.
#include <windows.h>

#include <functional>

// Pumps messages until `condition` holds; false when `limitMs` passed first.
bool PumpUntil(const std::function<bool()>& condition, DWORD limitMs);
// Pumps messages for the given time (to let something that must not happen show itself).
void PumpFor(DWORD ms);

// Moves the pointer and waits until the system reports it there: under Wine
// the move reaches GetCursorPos a little later.
bool MoveCursorTo(int x, int y);
