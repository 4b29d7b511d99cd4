#pragma once
// Which rows of a new enumeration are the items an earlier one listed: a
// re-listing of the same folder gives the user's selection, focus and place
// back to the same items, wherever they are now.
#include <windows.h>
#include <shlobj.h>

#include <vector>

// For each of `fresh`, the index in `old` of the row that names the same item
// (the folder's CompareIDs by name answers 0), or -1 for a row that is new.
// Each old row matches at most once. Costs about one sort of the rows.
std::vector<int> MatchRows(IShellFolder* folder, const std::vector<LPCITEMIDLIST>& old,
                           const std::vector<LPCITEMIDLIST>& fresh);
