// Feeds arbitrary bytes through the framer, the inbox, dispatch and the
// field and list readers, checking what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/protocol.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// Reads groups of n fields; must end within one step per byte.
void readList(std::string_view text, std::size_t n, bool stopOnBad) {
    proto::ListReader r(text);
    std::size_t steps = 0;
    while (r.more()) {
        for (std::size_t i = 0; i < n; ++i) {
            auto v = r.number();
            if (!v && stopOnBad) return;
            if (v) check(proto::parseNumber(std::to_string(*v)) == v);
        }
        check(++steps <= text.size() + 2);
    }
}

void handleFields(std::string_view fields) {
    proto::FieldReader r(fields);
    std::size_t steps = 0;
    while (!r.rest().empty()) {
        std::size_t before = r.rest().size();
        std::string_view f = r.field();
        if (r.rest().size() == before) break;  // no further "+": the rest is one field
        check(f.find('+') == std::string_view::npos);
        check(r.rest().size() + f.size() + 1 == before);
        check(++steps <= fields.size());
    }
    (void)r.restNumber();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t chunk = data[0] % 17 + 1;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Cutting in one piece and in small pieces must agree while no tail can
    // pass the limit.
    proto::Framer whole, pieces;
    std::vector<std::string> a = whole.feed(bytes), b;
    for (std::size_t pos = 0; pos < bytes.size(); pos += chunk)
        pieces.feed(bytes.substr(pos, chunk), b);
    if (bytes.size() <= proto::kMaxTail) {
        check(a == b);
        check(whole.tail() == pieces.tail());
        std::string joined;
        for (const auto& e : a) joined += e + proto::kTerminator;
        check(joined + whole.tail() == bytes);
    }
    for (const auto& e : b) check(e.find(proto::kTerminator) == std::string::npos);
    check(pieces.tail().size() <= proto::kMaxTail);

    // Two connections interleaved into one inbox keep their own order.
    proto::Inbox inbox;
    for (std::size_t pos = 0, k = 0; pos < bytes.size(); pos += chunk, ++k)
        inbox.receive(k % 2, bytes.substr(pos, chunk));
    // Each connection stays within its share, and no empty entry is queued.
    for (proto::ConnId c : {0, 1}) check(inbox.queuedFrom(c) <= proto::kMaxQueuedEntries);

    proto::DispatchTable<int&> table;
    table
        .on(proto::cmd::done,
            [](std::string_view f, int&) {
                proto::FieldReader r(f);
                if (!r.number()) return;
                readList(r.rest(), 4, true);
            })
        .on(proto::cmd::newword, [](std::string_view f, int&) { readList(f, 3, false); })
        .on(proto::cmd::winner, [](std::string_view f, int&) { (void)proto::numberGroups(f, 1); })
        .on(proto::cmd::startgame, [](std::string_view f, int&) { handleFields(f); })
        .on(proto::cmd::chat, [](std::string_view f, int& n) {
            handleFields(f);
            ++n;
        });
    int chats = 0;
    while (auto e = inbox.take()) {
        check(e->from < 2);
        check(!e->text.empty());
        auto s = proto::split(e->text);
        if (s)
            check(std::string(s->command) + "+" + std::string(s->fields) == e->text);
        else
            check(e->text.find('+') == std::string::npos);
        table.dispatch(e->text, chats);
    }
    check(inbox.empty());
    // The whole input read as one list, both ways.
    readList(bytes, 4, false);
    readList(bytes, 3, true);
    return 0;
}
