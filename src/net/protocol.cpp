#include "net/protocol.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace proto {

std::string message(std::string_view command, std::initializer_list<Field> fields) {
    std::size_t len = command.size() + 1;
    for (const Field& f : fields) len += f.text.size() + 1;
    std::string out;
    out.reserve(len);
    out.append(command);
    for (const Field& f : fields) {
        out.push_back('+');
        out.append(f.text);
    }
    out.push_back(kTerminator);
    return out;
}

Builder::Builder(std::string_view command) : text_(command) {}

Builder& Builder::operator<<(const Field& f) {
    text_.push_back('+');
    text_.append(f.text);
    return *this;
}

std::string Builder::str() const {
    std::string out;
    out.reserve(text_.size() + 1);
    out.append(text_);
    out.push_back(kTerminator);
    return out;
}

void Framer::feed(std::string_view bytes, std::vector<std::string>& out) {
    std::size_t pos = 0;
    if (skipping_) {
        std::size_t t = bytes.find(kTerminator);
        if (t == std::string_view::npos) return;
        skipping_ = false;
        pos = t + 1;
    }
    while (pos <= bytes.size()) {
        std::size_t t = bytes.find(kTerminator, pos);
        if (t == std::string_view::npos) break;
        if (tail_.empty()) {
            if (keepEmpty_ || t > pos) out.emplace_back(bytes.substr(pos, t - pos));
        } else {
            tail_.append(bytes.substr(pos, t - pos));
            out.push_back(std::move(tail_));
            tail_.clear();
        }
        pos = t + 1;
    }
    std::string_view left = bytes.substr(pos);
    if (tail_.size() + left.size() > kMaxTail) {
        // Too long to be one of ours: drop it and everything up to its end.
        tail_.clear();
        tail_.shrink_to_fit();
        skipping_ = true;
        return;
    }
    tail_.append(left);
}

std::vector<std::string> Framer::feed(std::string_view bytes) {
    std::vector<std::string> out;
    feed(bytes, out);
    return out;
}

void Framer::reset() {
    tail_.clear();
    skipping_ = false;
}

bool Inbox::fits(const Source& src, std::size_t size) const {
    // An empty share always takes one entry, however long, so none is stuck.
    if (src.queued.empty()) return true;
    return src.queued.size() + 1 <= maxEntries_ && src.bytes + size <= maxBytes_;
}

void Inbox::admit(ConnId from, Source& src) {
    const bool waiting = !src.queued.empty();
    while (!src.aside.empty() && fits(src, src.aside.front().size())) {
        src.asideBytes -= src.aside.front().size();
        src.bytes += src.aside.front().size();
        src.queued.push_back(std::move(src.aside.front()));
        src.aside.pop_front();
        ++size_;
    }
    if (!waiting && !src.queued.empty()) turns_.push_back(from);
}

bool Inbox::receive(ConnId from, std::string_view bytes) {
    Source& src = sources_[from];
    if (src.over) return false;
    scratch_.clear();
    src.framer.feed(bytes, scratch_);
    for (std::string& s : scratch_) {
        src.asideBytes += s.size();
        src.aside.push_back(std::move(s));
    }
    scratch_.clear();
    admit(from, src);
    // One read and the tail it completes fit with room to spare.
    if (src.asideBytes > kMaxTail && src.asideBytes - kMaxTail > maxBytes_) {
        src.over = true;
        src.aside.clear();
        src.asideBytes = 0;
    }
    return hasRoom(from);
}

std::optional<Entry> Inbox::take() {
    while (!turns_.empty()) {
        const ConnId from = turns_.front();
        turns_.pop_front();
        auto it = sources_.find(from);
        if (it == sources_.end() || it->second.queued.empty()) continue;
        Source& src = it->second;
        Entry e{from, std::move(src.queued.front())};
        src.queued.pop_front();
        src.bytes -= e.text.size();
        --size_;
        if (!src.queued.empty()) turns_.push_back(from);
        admit(from, src);
        return e;
    }
    return std::nullopt;
}

void Inbox::forget(ConnId from, bool dropQueued) {
    auto it = sources_.find(from);
    if (it == sources_.end()) return;
    Source& src = it->second;
    if (dropQueued) {
        size_ -= src.queued.size();
        sources_.erase(it);
        std::erase(turns_, from);
        return;
    }
    // Its queued entries stay in line; a connection coming back under the
    // same id starts with a fresh tail and share.
    src.framer.reset();
    src.aside.clear();
    src.asideBytes = 0;
    src.over = false;
}

std::size_t Inbox::queuedFrom(ConnId from) const {
    auto it = sources_.find(from);
    return it == sources_.end() ? 0 : it->second.queued.size();
}

bool Inbox::hasRoom(ConnId from) const {
    auto it = sources_.find(from);
    if (it == sources_.end()) return true;
    const Source& src = it->second;
    return !src.over && src.aside.empty() && src.queued.size() < maxEntries_ &&
           src.bytes < maxBytes_;
}

bool Inbox::over(ConnId from) const {
    auto it = sources_.find(from);
    return it != sources_.end() && it->second.over;
}

void Inbox::clear() {
    sources_.clear();
    turns_.clear();
    size_ = 0;
}

std::optional<Split> split(std::string_view entry) {
    std::size_t plus = entry.find('+');
    if (plus == std::string_view::npos) return std::nullopt;
    return Split{entry.substr(0, plus), entry.substr(plus + 1)};
}

std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') c = ' ';
    return out;
}

std::optional<int> parseNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (std::size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view FieldReader::field() {
    std::size_t plus = rest_.find('+');
    if (plus == std::string_view::npos) return {};
    std::string_view f = rest_.substr(0, plus);
    rest_.remove_prefix(plus + 1);
    return f;
}

void FieldReader::skip(std::size_t n) {
    rest_.remove_prefix(n < rest_.size() ? n : rest_.size());
}

ListReader::ListReader(std::string_view listText) : FieldReader({}) {
    own_.reserve(listText.size() + 2);
    own_.append(listText);
    own_.append("+@");
    rest_ = own_;
}

std::optional<std::vector<std::vector<int>>> numberGroups(std::string_view listText,
                                                          std::size_t n) {
    std::vector<std::vector<int>> groups;
    if (n == 0) return groups;
    ListReader r(listText);
    while (r.more()) {
        std::vector<int> g;
        g.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            auto v = r.number();
            if (!v) return std::nullopt;
            g.push_back(*v);
        }
        groups.push_back(std::move(g));
    }
    return groups;
}

}  // namespace proto
