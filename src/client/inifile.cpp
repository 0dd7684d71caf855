#include "client/inifile.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace zindle {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

void IniFile::parse(std::string_view text) {
    lines_.clear();
    eol_ = text.find("\r\n") != std::string_view::npos || text.find('\n') == std::string_view::npos
               ? "\r\n"
               : "\n";
    std::string section;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        const bool cr = !raw.empty() && raw.back() == '\r';
        if (cr) raw.remove_suffix(1);
        std::string eol = std::string(cr ? "\r" : "") + (nl == std::string_view::npos ? "" : "\n");
        Line line{std::string(raw), std::move(eol), {}, section, false};
        const std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
            section = std::string(trim(t.substr(1, t.find(']') - 1)));
            line.section = section;
            line.head = true;
        } else if (!t.empty() && t.front() != ';' && t.find('=') != std::string_view::npos) {
            line.key = std::string(trim(t.substr(0, t.find('='))));
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniFile::text() const {
    std::string out;
    for (const Line& l : lines_) out += l.raw + l.eol;
    return out;
}

std::optional<std::size_t> IniFile::find(std::string_view section, std::string_view key) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!lines_[i].head && !lines_[i].key.empty() && sameText(lines_[i].section, section) &&
            sameText(lines_[i].key, key))
            return i;
    return std::nullopt;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
    const auto i = find(section, key);
    if (!i) return std::nullopt;
    const std::string& raw = lines_[*i].raw;
    return raw.substr(raw.find('=') + 1);
}

std::string IniFile::get(std::string_view section, std::string_view key,
                         std::string_view fallback) const {
    auto v = get(section, key);
    return v ? *v : std::string(fallback);
}

int IniFile::getInt(std::string_view section, std::string_view key, int fallback) const {
    const auto v = get(section, key);
    if (!v) return fallback;
    std::string_view t = trim(*v);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    int n = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    return ec == std::errc() && end == t.data() + t.size() && !t.empty() ? n : fallback;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    if (const auto i = find(section, key)) {
        std::string& raw = lines_[*i].raw;
        raw = raw.substr(0, raw.find('=') + 1) + std::string(value);
        return;
    }
    Line line{std::string(key) + "=" + std::string(value), eol_, std::string(key),
              std::string(section), false};
    // A line that used to end the file needs an end before anything follows it.
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol_;
    // After the section's last key, or at the end of a new section.
    std::optional<std::size_t> after;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (sameText(lines_[i].section, section) && (lines_[i].head || !lines_[i].key.empty()))
            after = i;
    if (!after) {
        std::string head = "[";
        head.append(section).append("]");
        lines_.push_back({std::move(head), eol_, {}, std::string(section), true});
        lines_.push_back(std::move(line));
        return;
    }
    line.eol = lines_[*after].eol;  // the section's own line ends
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*after) + 1, std::move(line));
}

}  // namespace zindle
