// What a program that keeps a menu for a long time relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "ui/Menus.h"

namespace {
std::vector<std::unique_ptr<TMenuItem>> MakeItems(int count)
{
    std::vector<std::unique_ptr<TMenuItem>> items;
    for (int i = 0; i < count; ++i) items.push_back(std::make_unique<TMenuItem>(nullptr));
    return items;
}

UINT LargestCommand(const std::vector<std::unique_ptr<TMenuItem>>& items)
{
    UINT largest = 0;
    for (const auto& item : items) largest = std::max(largest, item->Command());
    return largest;
}
}  // namespace

// Items made and freed over and over keep their ids below the shell's range, and live
// items never share one.
TEST(MenuItemTest, FreedCommandIdsAreReused)
{
    const UINT largest = LargestCommand(MakeItems(50));
    for (int round = 0; round < 1000; ++round) {
        const auto items = MakeItems(50);
        std::set<UINT> commands;
        for (const auto& item : items) commands.insert(item->Command());
        ASSERT_EQ(commands.size(), items.size());
        ASSERT_LE(LargestCommand(items), largest) << "round " << round;
    }
}
