#pragma once
// The state of the modifier keys and mouse buttons that an input event carries.
#include <cstdint>
#include <initializer_list>

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
public:
    constexpr TShiftState() = default;
    constexpr TShiftState(std::initializer_list<TShiftStateItem> items)
    {
        for (TShiftStateItem item : items) Include(item);
    }
    constexpr void Include(TShiftStateItem item) { FBits = std::uint8_t(FBits | (1u << item)); }
    constexpr bool Contains(TShiftStateItem item) const { return (FBits & (1u << item)) != 0; }
    constexpr bool operator==(const TShiftState&) const = default;

private:
    std::uint8_t FBits = 0;
};
