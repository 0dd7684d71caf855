// Building the record format from a plain list; shared by the library and the
// build-time generator of the built-in list.
#include <algorithm>
#include <string>
#include <vector>

#include "rules/mydict.h"

namespace zindle {

std::vector<unsigned char> recordsFromWords(std::istream& words, bool lowerOnly) {
    std::vector<std::string> keys;
    std::string line;
    while (std::getline(words, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 2 || line.size() > kMaxWordLength) continue;
        bool ok = true;
        for (char& ch : line) {
            if (ch >= 'a' && ch <= 'z') {
                ch = static_cast<char>(ch - 'a' + 'A');
            } else if (!lowerOnly && ch >= 'A' && ch <= 'Z') {
                // already upper case
            } else {
                ok = false;
                break;
            }
        }
        if (!ok) continue;
        line.resize(kMaxWordLength, ' ');
        keys.push_back(line);
    }
    // Blank-padded keys compare as the records' bytes do: a blank sorts before
    // every letter, so BUSH < BUSHBABIES < BUSHBABY.
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    std::vector<unsigned char> out;
    out.reserve(keys.size() * kRecordSize);
    for (const std::string& key : keys) {
        out.push_back(kRecordMark);
        out.insert(out.end(), key.begin(), key.end());
    }
    return out;
}

}  // namespace zindle
