// The word list: 15-byte records (0x1E, then the upper-case word blank-padded
// to 14), sorted by their bytes. Lookups binary-search the records where they
// lie: the list built into the program, or one the host read from a file.
// Nothing is copied to disk, so nothing can be left behind by a kill.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zindle {

inline constexpr std::size_t kRecordSize = 15;
inline constexpr std::size_t kMaxWordLength = 14;
inline constexpr unsigned char kRecordMark = 0x1E;

using WordListBytes = std::span<const unsigned char>;

// The list built into the program.
WordListBytes builtinWordList();

// The lookup's binary search over records in memory: the word is upper-cased
// and padded with blanks, and compared with each record's text.
bool searchRecords(WordListBytes records, std::string_view word);

// Sorted, deduplicated records from a plain list, one word a line. Words of
// 2..14 letters a-z (either case) are kept; anything else is skipped. With
// lowerOnly, words holding an upper-case letter (proper names) are skipped too.
std::vector<unsigned char> recordsFromWords(std::istream& words, bool lowerOnly = false);

class TDictn {
public:
    using Reporter = std::function<void(const std::string&)>;

    static constexpr const char* kNotFoundMessage = "English.dic dictionary not found!";

    // records: the list, which must outlive the dictionary; nullopt stands for
    // a missing list, reported once as kNotFoundMessage, after which every
    // lookup is false. A cut-short last record is not counted.
    explicit TDictn(std::optional<WordListBytes> records = builtinWordList(),
                    const Reporter& report = {});

    TDictn(const TDictn&) = delete;
    TDictn& operator=(const TDictn&) = delete;

    // True when the word is in the list; case and surrounding blanks ignored.
    bool lookup(std::string_view word) const;

    bool isOpen() const { return open_; }
    int64_t last() const { return last_; }  // number of the last record

private:
    WordListBytes records_;
    bool open_ = false;
    int64_t last_ = -1;
};

}  // namespace zindle
