// Links in chat lines: the word under a position, widened to blanks and line
// ends, holds a link when one of the known prefixes occurs in it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zindle {

struct LinkSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

// The link at pos in text, if any. Trailing characters other than "/" to
// "9" and letters are not part of it ("see www.x.org." loses the stop).
std::optional<LinkSpan> linkAt(std::u16string_view text, std::size_t pos);

}  // namespace zindle
