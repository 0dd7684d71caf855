#include "rules/mydict.h"


#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace zindle {

namespace {

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A private folder of this process for the working copy.
std::filesystem::path makePrivateFolder() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string templ = (base / "zindle-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) return {};
    return templ;
}

unsigned char upper(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<unsigned char>(ch - 'a' + 'A') : ch;
}


}  // namespace

TDictn::TDictn(std::optional<WordListBytes> resource, Reporter report,
               std::filesystem::path folder) {
    if (folder.empty()) {
        folder_ = makePrivateFolder();
        ownFolder_ = !folder_.empty();
    } else {
        folder_ = std::move(folder);
    }
    openlist(resource, report);
}

void TDictn::openlist(std::optional<WordListBytes> resource, const Reporter& report) {
    if (!folder_.empty()) {
        file_ = folder_ / kWorkingName;
        std::error_code ec;
        // An existing working copy is used as it is.
        if (!std::filesystem::exists(file_, ec) && resource) {
            const int out = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (out >= 0) {
                const bool ok = writeAll(out, resource->data(), resource->size());
                ::close(out);
                if (!ok) std::filesystem::remove(file_, ec);
            }
        }
        fd_ = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    struct stat st {};
    open_ = fd_ >= 0 && ::fstat(fd_, &st) == 0;
    if (!open_) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        if (report) report(kNotFoundMessage);
        return;
    }
    last_ = static_cast<int64_t>(st.st_size) / static_cast<int64_t>(kRecordSize) - 1;
    if (st.st_size > 0) {
        void* m = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE,
                         fd_, 0);
        if (m != MAP_FAILED) {
            map_ = static_cast<const unsigned char*>(m);
            mapSize_ = static_cast<std::size_t>(st.st_size);
        }
    }
}

TDictn::~TDictn() {
    if (map_ != nullptr) ::munmap(const_cast<unsigned char*>(map_), mapSize_);
    if (fd_ >= 0) ::close(fd_);
    std::error_code ec;
    if (!file_.empty()) std::filesystem::remove(file_, ec);
    if (ownFolder_) std::filesystem::remove(folder_, ec);
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

// Binary search over records 0..last; record(i) gives one record's bytes,
// or null when it cannot be read (the search then fails).
template <typename Fetch>
bool searchRecordsWith(const Key& key, int64_t last, Fetch record) {
    int64_t low = 0;
    int64_t high = last;
    while (high >= low) {
        const int64_t middle = (low + high) / 2;
        const unsigned char* rec = record(static_cast<std::size_t>(middle) * kRecordSize);
        if (rec == nullptr) return false;
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
    return searchRecordsWith(*key, last, [&](std::size_t at) { return records.data() + at; });
}

bool TDictn::lookup(std::string_view word) const {
    if (!open_) return false;
    const auto key = recordKey(word);
    if (!key) return false;
    return searchRecordsWith(*key, last_, [this](std::size_t at) -> const unsigned char* {
        if (map_ != nullptr) return at + kRecordSize <= mapSize_ ? map_ + at : nullptr;
        const ssize_t n = ::pread(fd_, record_, kRecordSize, static_cast<off_t>(at));
        return n == static_cast<ssize_t>(kRecordSize) ? record_ : nullptr;
    });
}

}  // namespace zindle
