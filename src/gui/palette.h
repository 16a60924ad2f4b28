#pragma once
// The window's colours, named once; the style, the frame and the status line
// give them their roles.

#include "gui/nuklear_config.h"

namespace palette {
inline constexpr nk_color TEXT = {229, 231, 235, 255};
inline constexpr nk_color WHITE = {255, 255, 255, 255};
inline constexpr nk_color WHITE_SMOKE = {245, 245, 245, 255};
inline constexpr nk_color NIGHT = {15, 23, 42, 255};
inline constexpr nk_color SLATE = {31, 41, 55, 255};
inline constexpr nk_color EDGE = {55, 65, 81, 255};
inline constexpr nk_color GREY_EDGE = {100, 100, 100, 255};
inline constexpr nk_color TEAL = {20, 184, 166, 255};
inline constexpr nk_color EMERALD = {16, 185, 129, 255};
inline constexpr nk_color BLUE = {30, 100, 230, 255};
inline constexpr nk_color HOVER_BLUE = {45, 107, 240, 255};
inline constexpr nk_color HOVER_GREEN = {56, 142, 60, 255};
inline constexpr nk_color AMBER = {245, 158, 11, 255};
inline constexpr nk_color DISABLED_FILL = {200, 200, 200, 255};
inline constexpr nk_color DISABLED_TEXT = {150, 150, 150, 255};
}  // namespace palette
