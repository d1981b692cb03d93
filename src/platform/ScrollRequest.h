#pragma once

#include <cstdint>

// What a scroll bar asks of the view it moves, whatever moved it (mouse, keys, wheel or an
// assistive tool): "back" is left or up, toward the start; "forward" right or down.
enum class ScrollRequest : std::uint8_t {
    kLineBack,
    kLineForward,
    kPageBack,
    kPageForward,
    kToStart,
    kToEnd,
    kThumbPosition,  // thumb released at a position
    kThumbTrack,     // thumb being dragged through a position, or the value set directly
};
