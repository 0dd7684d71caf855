// The game protocol: building, cutting, queueing and dispatching messages.
// Standard C++ only, so it can be tested and fuzzed without Qt.
//
// Wire format (one TCP connection per game window, port 7772):
//   message = command { "+" field } 0xFF
//   command = "CMD_" name; compared exactly and case-sensitively.
//   field   = 8-bit text without "+" and 0xFF; the last field of some messages
//             is "the rest": everything up to the terminator, "+" included.
//   Numbers are plain decimal ("-" when negative); flags are "y" / anything else.
//   A reader takes a field up to the next "+", so a trailing field is only
//   read when an empty field follows it ("CMD_kickhim+1+3+").
//   Lists repeat a fixed group of fields and never end in "+"; the reader
//   appends "+@" and reads whole groups until exactly "@" is left.
//   No length prefix, no escaping. An entry that is empty or has no "+"
//   (a bare name such as "CMD_zn") is dropped; unknown commands are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace proto {

inline constexpr char kTerminator = '\xFF';
inline constexpr std::string_view kVersion = "2.1.0";
inline constexpr std::string_view kGamePort = "7772";
inline constexpr std::string_view kLobbyPort = "9001";
// An unterminated tail longer than this is thrown away, with the rest of
// that message: a peer must not make us hold unbounded memory.
inline constexpr std::size_t kMaxTail = 64u * 1024u;
// What one connection may hold in a receive queue: it bounds the memory a
// fast sender costs. The byte cap still lets two messages of the longest kept
// size wait.
inline constexpr std::size_t kMaxQueuedEntries = 64;
inline constexpr std::size_t kMaxQueuedBytes = 2 * kMaxTail;

// What a window's chat entry line holds; the host relays no longer line.
inline constexpr std::size_t kMaxChatLine = 400;

// Command names.
namespace cmd {
// window to host
inline constexpr std::string_view logininfo = "CMD_logininfo";
inline constexpr std::string_view kickhim = "CMD_kickhim";
inline constexpr std::string_view done = "CMD_done";
inline constexpr std::string_view justwatch = "CMD_justwatch";
// both ways
inline constexpr std::string_view chat = "CMD_chat";
inline constexpr std::string_view action = "CMD_action";
inline constexpr std::string_view startgame = "CMD_startgame";
inline constexpr std::string_view newtiles = "CMD_newtiles";
inline constexpr std::string_view pass = "CMD_pass";
// host to window
inline constexpr std::string_view full = "CMD_full";
inline constexpr std::string_view sendlogininfo = "CMD_sendlogininfo";
inline constexpr std::string_view newplayerinfo = "CMD_newplayerinfo";
inline constexpr std::string_view existingplayers = "CMD_existingplayers";
inline constexpr std::string_view havewrongversion = "CMD_havewrongversion";
inline constexpr std::string_view wrongversion = "CMD_wrongversion";
inline constexpr std::string_view arrangeboard = "CMD_arrangeboard";
inline constexpr std::string_view showboard = "CMD_showboard";
inline constexpr std::string_view atile = "CMD_atile";
inline constexpr std::string_view gamesettings = "CMD_gamesettings";
inline constexpr std::string_view nextplayer = "CMD_nextplayer";
inline constexpr std::string_view playerdisconnected = "CMD_playerdisconnected";
inline constexpr std::string_view justwatching = "CMD_justwatching";
inline constexpr std::string_view already = "CMD_already";
inline constexpr std::string_view notenough = "CMD_notenough";
inline constexpr std::string_view invalid = "CMD_invalid";
inline constexpr std::string_view reposition = "CMD_reposition";
inline constexpr std::string_view zn = "CMD_zn";
inline constexpr std::string_view tilecount = "CMD_tilecount";
inline constexpr std::string_view nomoretiles = "CMD_nomoretiles";
inline constexpr std::string_view everyonepassed = "CMD_everyonepassed";
inline constexpr std::string_view playergotscore = "CMD_playergotscore";
inline constexpr std::string_view gametimeup = "CMD_gametimeup";
inline constexpr std::string_view winner = "CMD_winner";
inline constexpr std::string_view postscore = "CMD_postscore";
inline constexpr std::string_view newword = "CMD_newword";
inline constexpr std::string_view notiles = "CMD_notiles";
inline constexpr std::string_view timeup = "CMD_timeup";
inline constexpr std::string_view placeletter = "CMD_placeletter";
}  // namespace cmd

// ---- Building -------------------------------------------------------------

// One field's text; numbers become decimal text.
struct Field {
    Field(std::string_view s) : text(s) {}
    Field(const char* s) : text(s) {}
    Field(const std::string& s) : text(s) {}
    Field(int n) : text(std::to_string(n)) {}
    Field(long n) : text(std::to_string(n)) {}
    Field(long long n) : text(std::to_string(n)) {}
    Field(unsigned n) : text(std::to_string(n)) {}
    Field(unsigned long n) : text(std::to_string(n)) {}
    Field(char) = delete;  // a char would silently become a number
    std::string text;
};

// command, "+" and each field, then the terminator.
// message(cmd::full, {""}) == "CMD_full+\xFF"; message(cmd::zn) == "CMD_zn\xFF".
std::string message(std::string_view command, std::initializer_list<Field> fields = {});

// For messages built piece by piece (lists):
//   Builder b(cmd::newword); for (...) b << x << y << code; sock.Send(b.str());
class Builder {
public:
    explicit Builder(std::string_view command);
    Builder& operator<<(const Field& f);
    Builder& add(const Field& f) { return *this << f; }
    // The finished message, terminator included.
    std::string str() const;

private:
    std::string text_;
};

// ---- Cutting and queueing -------------------------------------------------

// Cuts one connection's byte stream at 0xFF. Every piece before a
// terminator is one entry (empty ones too, unless told to drop them); the
// unterminated tail is kept and put in front of the next feed.
class Framer {
public:
    explicit Framer(bool keepEmpty = true) : keepEmpty_(keepEmpty) {}
    // Appends the complete entries of prefix-tail + bytes to out.
    void feed(std::string_view bytes, std::vector<std::string>& out);
    std::vector<std::string> feed(std::string_view bytes);
    const std::string& tail() const { return tail_; }
    void reset();

private:
    std::string tail_;
    bool skipping_ = false;  // inside an oversized message: drop up to its terminator
    bool keepEmpty_ = true;
};

using ConnId = std::uint64_t;

struct Entry {
    ConnId from = 0;
    std::string text;  // without the terminator
};

// One queue of complete entries fed by any number of connections, each with
// its own Framer, so an entry always knows the connection it came from.
// Connections take turns: each waits in line with its oldest entry and, once
// served, goes to the back of the line while it still has entries. Entries of
// one connection keep their order; while no one floods, arrival order is
// kept too, and a flooding connection delays the others by at most one entry
// each. Empty entries are dropped on arrival: they change nothing, and a
// stream of bare terminators must not cost memory. Each connection may hold
// at most maxEntries entries and maxBytes bytes in the queue at once; what it
// sends past its share waits aside, in order, and moves up as its entries are
// taken. The owner stops reading a full connection, so what waits aside is
// at most one read; a connection that piles up more than another share
// there was never stopped and has gone over.
class Inbox {
public:
    explicit Inbox(std::size_t maxEntries = kMaxQueuedEntries,
                   std::size_t maxBytes = kMaxQueuedBytes)
        : maxEntries_(maxEntries), maxBytes_(maxBytes) {}
    // Queues the complete entries. True while the connection has room for
    // more; false once it is at its share (stop reading it until hasRoom) or
    // over it (see over; the owner should close it).
    bool receive(ConnId from, std::string_view bytes);
    // The next entry in turn, removed from the queue; nullopt when empty.
    std::optional<Entry> take();
    // Forget a closed connection's partial tail and what waits aside;
    // optionally drop its queued entries.
    void forget(ConnId from, bool dropQueued = false);
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Entries of one connection waiting in the queue.
    std::size_t queuedFrom(ConnId from) const;
    // The connection is below its share and nothing of it waits aside.
    bool hasRoom(ConnId from) const;
    // It went over its share while it should have been stopped.
    bool over(ConnId from) const;
    void clear();

private:
    struct Source {
        Framer framer{false};
        std::deque<std::string> queued;
        std::size_t bytes = 0;          // of queued
        std::deque<std::string> aside;  // past the share, in arrival order
        std::size_t asideBytes = 0;
        bool over = false;
    };
    bool fits(const Source& src, std::size_t size) const;
    void admit(ConnId from, Source& src);
    std::unordered_map<ConnId, Source> sources_;
    std::deque<ConnId> turns_;  // connections with queued entries, next first
    std::size_t size_ = 0;
    std::vector<std::string> scratch_;
    std::size_t maxEntries_;
    std::size_t maxBytes_;
};

// ---- Dispatch -------------------------------------------------------------

struct Split {
    std::string_view command;  // before the first "+"
    std::string_view fields;   // after the first "+"
};

// Command and field text of an entry; nullopt for an empty entry or one
// without "+" (a bare name), which every receiver drops.
std::optional<Split> split(std::string_view entry);

// Name to handler. Args are extra values passed through to the handler,
// e.g. DispatchTable<ConnId> on the host so a handler knows the sender.
template <typename... Args>
class DispatchTable {
public:
    using Handler = std::function<void(std::string_view fields, Args...)>;

    DispatchTable& on(std::string_view command, Handler h) {
        handlers_[std::string(command)] = std::move(h);
        return *this;
    }
    bool handles(std::string_view command) const {
        return handlers_.find(command) != handlers_.end();
    }

    // Calls the handler of the entry's command. False when the entry was
    // dropped (empty, bare name, unknown command).
    bool dispatch(std::string_view entry, Args... args) const {
        auto s = split(entry);
        if (!s) return false;
        auto it = handlers_.find(s->command);
        if (it == handlers_.end() || !it->second) return false;
        it->second(s->fields, args...);
        return true;
    }

private:
    std::map<std::string, Handler, std::less<>> handlers_;
};

// ---- Text from peers --------------------------------------------------------

// The text with every control byte (below 0x20, and 0x7F) turned into a space,
// so that a peer's text can never start a line of its own. Windows-1252
// letters (0x80 and up) stay.
std::string printable(std::string_view text);

// ---- Reading fields -------------------------------------------------------

// Strict decimal: optional "-", then digits, fitting in an int; nothing else.
std::optional<int> parseNumber(std::string_view text);

// Reads a field text from the front. A handler stops at the first number
// that does not parse: `auto seat = r.number(); if (!seat) return;`
class FieldReader {
public:
    explicit FieldReader(std::string_view fields) : rest_(fields) {}

    // Text up to the next "+", which is removed with it. Without a further
    // "+" the field reads as empty text and nothing is removed.
    std::string_view field();
    std::optional<int> number() { return parseNumber(field()); }
    // Flags: "y" is yes, anything else no.
    bool flag() { return field() == "y"; }
    // Everything that is left ("the rest" fields and single-field messages).
    std::string_view rest() const { return rest_; }
    std::optional<int> restNumber() const { return parseNumber(rest_); }
    // Remove n bytes from the front (for callers that cut a field themselves).
    void skip(std::size_t n);

protected:
    std::string_view rest_;
};

// A list field text with "+@" appended; read groups while more() holds.
// Every field() taken while more() is true makes progress, so a loop that
// reads at least one field a group always ends.
class ListReader : public FieldReader {
public:
    explicit ListReader(std::string_view listText);
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;
    bool more() const { return rest_ != "@"; }

private:
    std::string own_;
};

// Whole groups of n numbers from a list text; nullopt at the first field
// that is not a number (or an incomplete last group).
std::optional<std::vector<std::vector<int>>> numberGroups(std::string_view listText, std::size_t n);

}  // namespace proto
