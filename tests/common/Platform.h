#pragma once
// Where the tests run, and what the platform knows: some answers of the
// platform differ between Wine and Windows.
#include <windows.h>

// True under Wine (its ntdll names its version).
bool UnderWine();

// Whether the notification area knows the icon of this window and id: only a known icon can be modified.
bool TrayKnowsIcon(HWND window, UINT id);
