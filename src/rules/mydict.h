// The word list: 15-byte records (0x1E, then the upper-case word blank-padded
// to 14), sorted by their bytes. Lookups binary-search a working copy on disk,
// one record read per probe; the list is never copied into memory. The copy is
// mapped read-only so a probe costs no system call; where mapping fails each
// probe is one pread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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
    static constexpr const char* kWorkingName = "English";

    // resource: the record bytes to write to the working copy; nullopt stands
    // for a missing resource. The working copy goes into a private temporary
    // folder, or into folder when one is given (an existing "English" there is
    // used unchanged). A failed open reports kNotFoundMessage once through
    // report and leaves every lookup false.
    explicit TDictn(std::optional<WordListBytes> resource = builtinWordList(),
                    Reporter report = {}, std::filesystem::path folder = {});
    ~TDictn();

    TDictn(const TDictn&) = delete;
    TDictn& operator=(const TDictn&) = delete;

    // True when the word is in the list; case and surrounding blanks ignored.
    bool lookup(std::string_view word) const;

    bool isOpen() const { return open_; }
    int64_t last() const { return last_; }  // number of the last record
    const std::filesystem::path& workingFile() const { return file_; }

private:
    void openlist(std::optional<WordListBytes> resource, const Reporter& report);

    std::filesystem::path folder_;
    std::filesystem::path file_;
    bool ownFolder_ = false;
    bool open_ = false;
    int fd_ = -1;
    const unsigned char* map_ = nullptr;  // the working copy, mapped; null when not
    std::size_t mapSize_ = 0;
    int64_t last_ = -1;
    mutable unsigned char record_[kRecordSize]{};
};

}  // namespace zindle
