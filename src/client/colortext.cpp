#include "client/colortext.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

namespace zindle {

namespace {

constexpr std::array<std::pair<std::string_view, ColorRef>, 16> kNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::optional<ColorRef> parseColorText(std::string_view text) {
    for (const auto& [name, value] : kNames)
        if (sameText(text, name)) return value;
    if (text.size() < 2 || text.size() > 9 || text.front() != '$') return std::nullopt;
    ColorRef v = 0;
    for (char c : text.substr(1)) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int d = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        v = v * 16 + static_cast<ColorRef>(d);
    }
    return v & 0xFFFFFF;
}

std::string colorText(ColorRef color) {
    color &= 0xFFFFFF;
    for (const auto& [name, value] : kNames)
        if (value == color) return std::string(name);
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

}  // namespace zindle
