// "korvolobby.ini" is shared with the lobby and other games, so we read and
// write it ourselves: every other section, key, comment and line stays byte
// for byte, values are raw (no quoting, no escaping), and a key we set keeps
// its place. Sections and keys match without regard to case, as on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zindle {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string_view text) { parse(text); }

    void parse(std::string_view text);
    std::string text() const;

    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    std::string get(std::string_view section, std::string_view key,
                    std::string_view fallback) const;
    // A whole number, blanks around it allowed; the fallback otherwise.
    int getInt(std::string_view section, std::string_view key, int fallback) const;
    void set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::string raw;  // without the line end
        std::string eol;  // its own line end, as read; empty on an unterminated last line
        std::string key;  // empty for comments, blanks and section heads
        std::string section;
        bool head = false;
    };
    std::optional<std::size_t> find(std::string_view section, std::string_view key) const;

    std::vector<Line> lines_;
    std::string eol_ = "\r\n";  // for lines we add
};

}  // namespace zindle
