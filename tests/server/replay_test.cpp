// Whole seeded games through real sockets, every message each window gets,
// against the record in golden/host_games.txt. Each seat plays the highest
// scoring move on the host's own board (passing when it has none); the
// scripts add refused moves, exchanges, time-outs, a seat that leaves on
// turn and its newcomer, a watcher, both clocks and a second game. The same
// seeded games are also played through a table in memory, whose seats must
// be told exactly what the host's windows are.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/lexicon.h"
#include "engine/movegen.h"
#include "engine/table.h"
#include "rules/mydict.h"
#include "server/server.h"
#include "support/golden.h"
#include "support/scriptedclient.h"

namespace servertest {
namespace {

using testsupport::ScriptedClient;
using Msgs = std::vector<std::string>;
using zindle::RefereeState;
using zindle::engine::Move;

const zindle::engine::Lexicon& lexicon() {
    static const auto* lex = new zindle::engine::Lexicon(
        zindle::engine::Lexicon::fromRecords(zindle::builtinWordList()));
    return *lex;
}

// The best move for a seat on a referee's board, if it has one.
std::optional<Move> bestMove(const RefereeState& g, int seat) {
    const zindle::engine::Position pos{g.colours, g.letters, seat, g.firstword,
                                       g.settings.doubletiles};
    const auto moves = zindle::engine::generateMoves(lexicon(), pos, g.players[seat].tiles);
    const auto best = std::max_element(
        moves.begin(), moves.end(), [](const Move& a, const Move& b) { return a.score < b.score; });
    if (best == moves.end()) return std::nullopt;
    return *best;
}

// "CMD_done" for a move, as a window sends it.
std::string doneMessage(int seat, const Move& m) {
    std::ostringstream msg;
    msg << "CMD_done+" << seat;
    for (const zindle::LayGroup& g : m.groups())
        msg << "+" << g.slot << (g.flipped ? "+y+" : "+n+") << g.x << "+" << g.y;
    return msg.str();
}

class HostRecord : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureApp(); }
    void TearDown() override {
        clients.clear();
        server.reset();
    }

    void startHost(uint32_t seed) {
        zindle::ServerOptions o;
        o.port = "0";
        o.random = &random;
        o.seed = seed;
        o.runTimers = false;
        server = std::make_unique<zindle::TServer>(o);
        server->listen();
    }
    bool pump(const std::function<bool()>& done) {
        return testsupport::pumpUntil(
            done,
            [this] {
                while (server->queued()) server->socktimerTimer();
            },
            10000);
    }
    ScriptedClient& join(const std::string& name) {
        clients.push_back(std::make_unique<ScriptedClient>(server->port(), name));
        ScriptedClient& c = *clients.back();
        c.open();
        EXPECT_TRUE(
            pump([&] { return c.count("CMD_newplayerinfo+" + std::to_string(c.seat())) > 0; }));
        sync(c);
        return c;
    }
    ScriptedClient* atSeat(int seat) {
        for (auto& c : clients)
            if (!c->closed() && c->seat() == seat && !gone.count(c.get())) return c.get();
        return nullptr;
    }
    // A chat line from c comes after everything c sent before it, and every
    // window gets it after what the host sent before: once all have it,
    // the host has acted on c's messages and its answers have arrived.
    void sync(ScriptedClient& c) {
        const std::string line = " chats: sync " + std::to_string(++syncs);
        c.send("CMD_chat+" + std::to_string(c.seat()) + "+" + line.substr(8));
        ASSERT_TRUE(pump([&] {
            for (auto& other : clients) {
                if (gone.count(other.get())) continue;
                const auto& got = other->received();
                if (std::none_of(got.begin(), got.end(),
                                 [&](const std::string& m) { return m.ends_with(line); }))
                    return false;
            }
            return true;
        }));
    }
    void act(ScriptedClient& c, const std::string& msg) {
        c.send(msg);
        sync(c);
    }
    void tick(int n, ScriptedClient& syncer) {
        for (int i = 0; i < n; ++i) server->clockTick();
        sync(syncer);
    }
    void leave(ScriptedClient& c) {
        c.close();
        gone.insert(&c);
        ASSERT_TRUE(pump([&] { return !server->seat(c.seat()).connected; }));
        for (auto& other : clients) {
            if (gone.count(other.get())) continue;
            ASSERT_TRUE(pump([&] { return other->count("CMD_playerdisconnected+") > 0; }));
        }
    }

    // The host's own view of the seat on turn.
    const zindle::RefereeState& game() const { return server->referee().state(); }
    int onTurn() const { return game().curplayer; }
    bool running() const { return game().gameon; }
    zindle::Rack rackOf(int seat) const { return game().players[seat].tiles; }
    zindle::engine::Position position(int seat) const {
        return {game().colours, game().letters, seat, game().firstword,
                game().settings.doubletiles};
    }

    // The best move for the seat on turn, or a pass.
    std::string bestFor(int seat) const {
        if (const auto best = bestMove(game(), seat)) return doneMessage(seat, *best);
        return "CMD_pass+" + std::to_string(seat);
    }

    // A new host on the seed, the windows in seats 1, 2, ... and a start.
    void newTable(uint32_t seed, const std::vector<std::string>& names, const std::string& start) {
        TearDown();
        gone.clear();
        startHost(seed);
        for (const std::string& n : names) join(n);
        act(*clients[0], start);
    }

    // Plays until the game ends or `turns` turns were played. Before each
    // turn the script may act instead (returning true) or add to it.
    using Script = std::function<bool(int seat, int turn, ScriptedClient& mover)>;
    void play(int turns, const Script& script = {}) {
        for (int turn = 1; turn <= turns && running(); ++turn) {
            const int seat = onTurn();
            ScriptedClient* mover = atSeat(seat);
            ASSERT_NE(mover, nullptr) << "nobody in seat " << seat;
            if (script && script(seat, turn, *mover)) continue;
            act(*mover, bestFor(seat));
        }
    }

    std::string transcript(const std::string& title) const {
        std::ostringstream out;
        out << "#### " << title << "\n";
        for (const auto& c : clients) {
            out << "== " << c->seat() << "\n";
            for (const std::string& m : c->received())
                if (!m.starts_with("CMD_chat+")) out << m << "\n";
        }
        return out.str();
    }

    zindle::Random random;
    std::unique_ptr<zindle::TServer> server;
    std::vector<std::unique_ptr<ScriptedClient>> clients;
    std::set<ScriptedClient*> gone;
    int syncs = 0;
};

std::string invalidMove(int seat) {
    return "CMD_done+" + std::to_string(seat) + "+1+n+0+0";  // one letter is no word
}

TEST_F(HostRecord, SeededWholeGamesSendExactlyTheRecordedMessages) {
    std::string all;

    // Two players: a refused move on each first turn, an exchange on each
    // second, a refused second exchange, a time-out, played to the end.
    newTable(41, {"Ann", "Bob"}, "CMD_startgame+Ann+90+0+0+0+n+n+");
    {
        std::map<int, int> turns;
        play(200, [&](int seat, int turn, ScriptedClient& mover) {
            const int mine = ++turns[seat];
            if (mine == 1) act(mover, invalidMove(seat));
            if (mine == 2 || mine == 4) act(mover, "CMD_newtiles+" + std::to_string(seat));
            if (turn == 7) {
                tick(91, mover);
                return true;
            }
            return false;
        });
    }
    EXPECT_FALSE(running());
    all += transcript("two players");

    // Three players, double tiles, twelve Zindle squares, to 250 points.
    newTable(42, {"Ann", "Bob", "Cy"}, "CMD_startgame+Ann+120+12+0+250+y+n+");
    play(200, [&](int seat, int turn, ScriptedClient& mover) {
        if (turn == 4) act(mover, "CMD_newtiles+" + std::to_string(seat));
        return false;
    });
    EXPECT_FALSE(running());
    all += transcript("three players to a score");

    // Four partners and a spectator, double tiles and twenty squares. A seat
    // other than the first leaves on its turn; a newcomer takes it over.
    newTable(43, {"Ann", "Bob", "Cy", "Dee", "Spy"}, "CMD_startgame+Ann+90+20+0+0+y+y+");
    bool left = false;
    play(300, [&](int seat, int turn, ScriptedClient& mover) {
        if (left || turn < 6 || seat == 1) return false;
        left = true;
        leave(mover);
        join("Eve");
        return true;
    });
    EXPECT_TRUE(left);
    EXPECT_FALSE(running());
    all += transcript("four partners");

    // The game clock ends a game; nothing moves after it; a second game
    // ends when both pass.
    newTable(44, {"Ann", "Bob"}, "CMD_startgame+Ann+60+4+1+0+n+n+");
    play(3);
    tick(60, *clients[0]);
    EXPECT_FALSE(running());
    act(*atSeat(onTurn()), bestFor(onTurn()));
    act(*clients[0], "CMD_startgame+Ann+90+0+0+0+n+n+");
    play(3);
    for (int i = 0; i < 2 && running(); ++i)
        act(*atSeat(onTurn()), "CMD_pass+" + std::to_string(onTurn()));
    EXPECT_FALSE(running());
    all += transcript("game clock and a second game");

    // A watcher keeps its tiles; the others pass: everyone passed.
    newTable(45, {"Ann", "Bob", "Cy"}, "CMD_startgame+Ann+90+0+0+0+n+n+");
    play(4);
    act(*clients[2], "CMD_justwatch+3+1");
    for (int i = 0; i < 4 && running(); ++i)
        act(*atSeat(onTurn()), "CMD_pass+" + std::to_string(onTurn()));
    EXPECT_FALSE(running());
    all += transcript("everyone passed");

    testsupport::expectRecord(std::string(ZINDLE_GOLDEN_DIR) + "/host_games.txt", all);
}

}  // namespace
}  // namespace servertest

namespace servertest {
namespace {

using zindle::HostWire;

// A single tile: never a word.
Move lonelyTile(const RefereeState& g, int seat) {
    Move m;
    m.count = 1;
    m.tiles[0] = {0, 0, static_cast<int8_t>(g.players[seat].tiles[1]), 1, false};
    return m;
}

// One seat's turn, the same on both paths: a refused move on its first turn,
// New Tiles on its second and (refused) fourth, then its best move or a pass.
struct Actions {
    std::function<void(int seat, const Move&)> move;
    std::function<void(int seat)> exchange;
    std::function<void(int seat)> pass;
};
void scriptedTurn(const std::function<const RefereeState&()>& game, int seat, int mine,
                  const Actions& act) {
    if (mine == 1) act.move(seat, lonelyTile(game(), seat));
    if (mine == 2 || mine == 4) act.exchange(seat);
    if (const auto best = bestMove(game(), seat))
        act.move(seat, *best);
    else
        act.pass(seat);
}

struct PairedGame {
    uint32_t seed;
    std::vector<std::string> start;  // the seven fields of "CMD_startgame"
    zindle::engine::TableRules rules;
};

const PairedGame kSetups[] = {
    {51, {"Ann", "90", "0", "0", "0", "n", "n"}, {2, false, false, 0, 0}},
    {52, {"Ann", "120", "12", "0", "250", "y", "n"}, {3, true, false, 12, 250}},
    {53, {"Ann", "90", "20", "0", "0", "y", "y"}, {4, true, true, 20, 0}},
};

// What each seat of a table in memory would have been sent.
std::map<int, Msgs> inMemory(const PairedGame& setup) {
    std::map<int, Msgs> got;
    const int players = setup.rules.players;
    HostWire wire([&](HostWire::To to, int seat, const std::string& msg) {
        const std::string text = msg.substr(0, msg.size() - 1);
        for (int s = 1; s <= players; ++s)
            if (to != HostWire::To::Seat || s == seat) got[s].push_back(text);
    });
    std::copy(setup.start.begin(), setup.start.end(), wire.startRequest.begin());
    zindle::TDictn dict;
    zindle::engine::Table table(
        setup.rules, setup.seed, [&dict](std::string_view w) { return dict.lookup(w); }, &wire);
    const Actions act{[&](int, const Move& m) { table.play(m); }, [&](int) { table.exchange(); },
                      [&](int) { table.pass(); }};
    std::map<int, int> turns;
    for (int guard = 0; guard < 300 && !table.over(); ++guard) {
        const int seat = table.curplayer();
        scriptedTurn([&]() -> const RefereeState& { return table.state(); }, seat, ++turns[seat],
                     act);
    }
    EXPECT_TRUE(table.over());
    return got;
}

using BothPaths = HostRecord;

TEST_F(BothPaths, TheHostAndATableInMemoryTellEverySeatTheSameGame) {
    for (const PairedGame& setup : kSetups) {
        SCOPED_TRACE(setup.seed);
        std::string start = "CMD_startgame";
        for (const std::string& f : setup.start) start += "+" + f;
        const std::vector<std::string> names{"Ann", "Bob", "Cy", "Dee"};
        newTable(setup.seed, {names.begin(), names.begin() + setup.rules.players}, start + "+");
        const Actions overSockets{
            [this](int seat, const Move& m) { act(*atSeat(seat), doneMessage(seat, m)); },
            [this](int seat) { act(*atSeat(seat), "CMD_newtiles+" + std::to_string(seat)); },
            [this](int seat) { act(*atSeat(seat), "CMD_pass+" + std::to_string(seat)); }};
        std::map<int, int> turns;
        for (int guard = 0; guard < 300 && running(); ++guard) {
            const int seat = onTurn();
            scriptedTurn([this]() -> const RefereeState& { return game(); }, seat, ++turns[seat],
                         overSockets);
        }
        ASSERT_FALSE(running());

        const std::map<int, Msgs> memory = inMemory(setup);
        for (const auto& c : clients) {
            const Msgs& all = c->received();
            auto from = std::find_if(all.begin(), all.end(), [](const std::string& m) {
                return m.starts_with("CMD_startgame+");
            });
            Msgs game;
            std::copy_if(from, all.end(), std::back_inserter(game),
                         [](const std::string& m) { return !m.starts_with("CMD_chat+"); });
            EXPECT_GT(game.size(), 40u);
            EXPECT_EQ(game, memory.at(c->seat())) << "seat " << c->seat();
        }
    }
}

}  // namespace
}  // namespace servertest
