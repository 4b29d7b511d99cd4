#include "shell/RowMatch.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "shell/ShellIDFunc.h"

namespace {
std::string_view Bytes(LPCITEMIDLIST list)
{
    return {reinterpret_cast<const char*>(list), IDListSize(list)};
}

// Indices of `lists` that `pending` marks, in the folder's name order.
std::vector<int> InNameOrder(IShellFolder* folder, const std::vector<LPCITEMIDLIST>& lists,
                             const std::vector<bool>& pending)
{
    std::vector<int> order;
    for (size_t i = 0; i < lists.size(); ++i)
        if (pending[i]) order.push_back(int(i));
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const HRESULT result = folder->CompareIDs(0, lists[size_t(a)], lists[size_t(b)]);
        return SUCCEEDED(result) && CompareIDsOrder(result) < 0;
    });
    return order;
}
}  // namespace

std::vector<int> MatchRows(IShellFolder* folder, const std::vector<LPCITEMIDLIST>& old,
                           const std::vector<LPCITEMIDLIST>& fresh)
{
    std::vector<int> match(fresh.size(), -1);
    if (!folder || old.empty() || fresh.empty()) return match;

    // Most rows come back byte for byte: a hash finds them without asking the shell.
    std::unordered_map<std::string_view, int> oldByBytes;
    oldByBytes.reserve(old.size());
    for (size_t i = 0; i < old.size(); ++i) oldByBytes.emplace(Bytes(old[i]), int(i));
    std::vector<bool> oldLeft(old.size(), true), freshLeft(fresh.size(), false);
    for (size_t i = 0; i < fresh.size(); ++i) {
        auto found = oldByBytes.find(Bytes(fresh[i]));
        if (found != oldByBytes.end() && oldLeft[size_t(found->second)]) {
            match[i] = found->second;
            oldLeft[size_t(found->second)] = false;
        } else {
            freshLeft[i] = true;
        }
    }
    if (std::find(freshLeft.begin(), freshLeft.end(), true) == freshLeft.end()) return match;

    // The rest (a file whose size or time the list carries changed) may still be
    // the same item to the folder: the two sides in name order, merged.
    const std::vector<int> olds = InNameOrder(folder, old, oldLeft), freshes = InNameOrder(folder, fresh, freshLeft);
    for (size_t o = 0, f = 0; o < olds.size() && f < freshes.size();) {
        const HRESULT result = folder->CompareIDs(0, old[size_t(olds[o])], fresh[size_t(freshes[f])]);
        const int order = SUCCEEDED(result) ? CompareIDsOrder(result) : 1;
        if (order == 0) match[size_t(freshes[f++])] = olds[o++];
        else if (order < 0) ++o;
        else ++f;
    }
    return match;
}
