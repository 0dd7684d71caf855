#include "rules/mydict.h"

#include <array>

namespace zindle {

namespace {

unsigned char upper(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<unsigned char>(ch - 'a' + 'A') : ch;
}

}  // namespace

TDictn::TDictn(std::optional<WordListBytes> records, const Reporter& report) {
    open_ = records.has_value();
    if (!open_) {
        if (report) report(kNotFoundMessage);
        return;
    }
    records_ = records->first(records->size() - records->size() % kRecordSize);
    last_ = static_cast<int64_t>(records_.size() / kRecordSize) - 1;
}

namespace {

using Key = std::array<unsigned char, kRecordSize>;

// The word upper-cased and padded with blanks to a record's 15 characters.
// Zero bytes count as blanks; blanks around the word are ignored. Nothing
// for an empty word or one too long for any record.
std::optional<Key> recordKey(std::string_view word) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\0'; };
    std::size_t b = 0, e = word.size();
    while (b < e && blank(word[b])) ++b;
    while (e > b && blank(word[e - 1])) --e;
    if (b == e || e - b > kRecordSize) return std::nullopt;
    Key key;
    key.fill(' ');
    for (std::size_t i = b; i < e; ++i)
        key[i - b] = upper(static_cast<unsigned char>(word[i] == '\0' ? ' ' : word[i]));
    return key;
}

// Binary search over records 0..last.
bool searchKey(const Key& key, const unsigned char* records, int64_t last) {
    int64_t low = 0;
    int64_t high = last;
    while (high >= low) {
        const int64_t middle = (low + high) / 2;
        const unsigned char* rec = records + static_cast<std::size_t>(middle) * kRecordSize;
        // The record's 14 word bytes and a blank, upper-cased, against the key.
        int c = 0;
        for (std::size_t i = 0; i < kRecordSize && c == 0; ++i) {
            const unsigned char t = i < kMaxWordLength ? upper(rec[i + 1]) : ' ';
            if (t != key[i]) c = t < key[i] ? -1 : 1;
        }
        if (c == 0) return true;
        if (c < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return false;
}

}  // namespace

bool searchRecords(WordListBytes records, std::string_view word) {
    const auto key = recordKey(word);
    if (!key) return false;
    const int64_t last = static_cast<int64_t>(records.size() / kRecordSize) - 1;
    return searchKey(*key, records.data(), last);
}

bool TDictn::lookup(std::string_view word) const {
    return open_ && searchRecords(records_, word);
}

}  // namespace zindle
