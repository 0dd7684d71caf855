#include "rules/mydict.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Unsigned byte order; a shorter text that is a prefix sorts first.
int compareBytes(const unsigned char* a, std::size_t na, const unsigned char* b, std::size_t nb) {
    const int c = std::memcmp(a, b, std::min(na, nb));
    if (c != 0) return c;
    return na < nb ? -1 : (na > nb ? 1 : 0);
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
}

TDictn::~TDictn() {
    if (fd_ >= 0) ::close(fd_);
    std::error_code ec;
    if (!file_.empty()) std::filesystem::remove(file_, ec);
    if (ownFolder_) std::filesystem::remove(folder_, ec);
}

bool TDictn::lookup(std::string_view word) const {
    if (!open_) return false;

    std::string key(word);
    for (char& ch : key)
        if (ch == '\0') ch = ' ';
    const auto first = key.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    key = key.substr(first, key.find_last_not_of(' ') - first + 1);
    if (key.size() < kRecordSize) key.resize(kRecordSize, ' ');  // a longer key is not cut
    for (char& ch : key) ch = static_cast<char>(upper(static_cast<unsigned char>(ch)));
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());

    int64_t low = 0;
    int64_t high = last_;
    unsigned char text[kRecordSize];
    while (high >= low) {
        const int64_t middle = (low + high) / 2;
        const ssize_t n = ::pread(fd_, record_, kRecordSize,
                                  static_cast<off_t>(middle) * static_cast<off_t>(kRecordSize));
        if (n != static_cast<ssize_t>(kRecordSize)) return false;
        for (std::size_t i = 0; i < kMaxWordLength; ++i) text[i] = upper(record_[i + 1]);
        text[kMaxWordLength] = ' ';
        const int c = compareBytes(text, kRecordSize, keyBytes, key.size());
        if (c == 0) return true;
        if (c < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return false;
}

}  // namespace zindle
