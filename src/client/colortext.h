// Colour texts as chat lines and the settings carry them: one of sixteen
// names ("clWhite") or "$" and eight hex digits of 00BBGGRR.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zindle {

// 0x00BBGGRR.
using ColorRef = std::uint32_t;
inline constexpr ColorRef kWhite = 0xFFFFFF;
inline constexpr ColorRef kYellow = 0x00FFFF;
inline constexpr ColorRef kSilver = 0xC0C0C0;

// Names without regard to case, or "$" with one to eight hex digits.
std::optional<ColorRef> parseColorText(std::string_view text);
// The name when there is one, else "$00BBGGRR".
std::string colorText(ColorRef color);

}  // namespace zindle
