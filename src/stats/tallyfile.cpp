#include "stats/tallyfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace zindle {

namespace fs = std::filesystem;

namespace {

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string folderOf(const std::string& path) {
    const std::string dir = fs::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

// The file a rename must replace: through a symbolic link to what it names, or the rename
// would swap the link for a plain file and leave the old counts at the target.
std::string resolved(const std::string& path) {
    // Followed by hand: a link whose target does not exist yet must still name it.
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        const fs::path next = fs::read_symlink(p, ec);
        if (ec) return path;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

// A rename is only durable once its folder is flushed too.
void syncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

TallyFile::TallyFile(std::string path) : path_(std::move(path)) {
    doit.CompressMode = TCompressMode::Fast;
}

std::string TallyFile::pack(const std::string& text) {
    std::istringstream in(text);
    std::ostringstream out;
    doit.UseStream = true;
    doit.InputStream = &in;
    doit.OutputStream = &out;
    doit.CompressMode = TCompressMode::Fast;
    doit.Compress();
    return std::move(out).str();
}

void TallyFile::decode(std::string_view bytes, TallyModel& model) {
    // A damaged size field must not make the decoder build a huge text in memory.
    if (bytes.size() >= 8 && (bytes.substr(0, 4) == "WRZL" || bytes.substr(0, 4) == "!HZL")) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::uint32_t size = b[4] | (b[5] << 8) | (b[6] << 16) | (std::uint32_t{b[7]} << 24);
        if (size > MaxTextSize)
            throw EGridError("the container announces an absurd size of " + std::to_string(size) +
                             " bytes");
    }
    std::istringstream in{std::string(bytes)};
    std::ostringstream out;
    doit.UseStream = true;
    doit.InputStream = &in;
    doit.OutputStream = &out;
    try {
        doit.Decompress();
    } catch (const ELzrw1Exception& e) {
        throw EGridError(std::string("the container does not decompress (") + e.what() + ")");
    }
    model.load(out.view());
}

void TallyFile::removeStaleTemporaries() {
    // Left by a save that was killed; an hour old cannot belong to a save still running.
    const fs::path tally(path_);
    std::string prefix(1, '.');
    prefix += tally.filename().string();
    prefix += '.';
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (const auto& e : fs::directory_iterator(folderOf(path_), ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const auto when = fs::last_write_time(e.path(), ec);
        if (!ec && now - when > std::chrono::hours(1)) fs::remove(e.path(), ec);
    }
}

TallyFile::Loaded TallyFile::load(TallyModel& model, std::string& reason) {
    model.reset();
    removeStaleTemporaries();
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return Loaded::Fresh;

    std::string bytes;
    try {
        if (fd < 0) throw EGridError(errnoText("it cannot be opened"));
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            throw EGridError("it is not a plain file");
        }
        if (static_cast<std::size_t>(st.st_size) > MaxFileSize) {
            ::close(fd);
            throw EGridError("it is too large (" + std::to_string(st.st_size) + " bytes)");
        }
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const std::string why = errnoText("it cannot be read");
                ::close(fd);
                throw EGridError(why);
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        bytes.resize(got);
        decode(bytes, model);
        return Loaded::Read;
    } catch (const EGridError& e) {
        reason = e.what();
    }
    model.reset();
    damaged_ = true;
    std::string ignored;
    moveAside(ignored);
    return Loaded::Damaged;
}

bool TallyFile::moveAside(std::string& reason) {
    // Never replace an older damaged copy either.
    std::string aside = path_ + ".bad";
    for (int i = 1; exists(aside) && i < 100; ++i) aside = path_ + ".bad." + std::to_string(i);
    if (::rename(path_.c_str(), aside.c_str()) != 0 && errno != ENOENT) {
        reason = errnoText("the damaged file cannot be moved to " + aside);
        return false;
    }
    if (exists(aside)) keptAs_ = aside;
    damaged_ = false;
    syncFolder(folderOf(path_));
    return true;
}

bool TallyFile::save(const TallyModel& model, std::string& reason) {
    if (damaged_ && !moveAside(reason)) return false;

    std::string bytes;
    try {
        bytes = encode(model);
    } catch (const ELzrw1Exception& e) {
        reason = e.what();
        return false;
    }

    const std::string target = resolved(path_);
    const std::string dir = folderOf(target);
    std::string temp = dir + "/." + fs::path(target).filename().string() + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        reason = errnoText("cannot create a file in " + dir);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    // mkstemp makes the file private; the tally gets the mode any new file would.
    (void)::fchmod(fd, 0666 & ~mask);
    bool ok = writeAll(fd, bytes);
    if (!ok) reason = errnoText("cannot write " + temp);
    if (ok && ::fsync(fd) != 0) {
        reason = errnoText("cannot flush " + temp);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        reason = errnoText("cannot close " + temp);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        reason = errnoText("cannot replace " + target);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(dir);
    return true;
}

}  // namespace zindle
