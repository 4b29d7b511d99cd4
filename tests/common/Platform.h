#pragma once
// Where the tests run: some answers of the platform differ between Wine and Windows.

// True under Wine (its ntdll names its version).
bool UnderWine();
