#include "client/rteurl.h"

#include <array>
#include <string>

namespace zindle {

namespace {

constexpr std::array<std::u16string_view, 8> kPrefixes{
    u"http://", u"ftp://", u"file://", u"gopher://", u"telnet://", u"news:", u"mailto:", u"www."};

bool breaks(char16_t c) {
    return c == u' ' || c == u'\r' || c == u'\n';
}

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

bool keeps(char16_t c) {
    c = lower(c);
    return (c >= u'/' && c <= u'9') || (c >= u'a' && c <= u'z');
}

}  // namespace

std::optional<LinkSpan> linkAt(std::u16string_view text, std::size_t pos) {
    if (pos >= text.size() || breaks(text[pos])) return std::nullopt;
    std::size_t begin = pos;
    while (begin > 0 && !breaks(text[begin - 1])) --begin;
    std::size_t end = pos;
    while (end < text.size() && !breaks(text[end])) ++end;

    std::u16string word(text.substr(begin, end - begin));
    for (auto& c : word) c = lower(c);
    for (std::u16string_view prefix : kPrefixes) {
        const std::size_t at = word.find(prefix);
        if (at == std::u16string::npos) continue;
        std::size_t stop = word.size();
        while (stop > at && !keeps(word[stop - 1])) --stop;
        if (stop - at <= prefix.size()) return std::nullopt;
        return LinkSpan{begin + at, stop - at};
    }
    return std::nullopt;
}

}  // namespace zindle
