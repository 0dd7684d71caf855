// The game engine: start, moves, exchanges, passes and handing the turn on.
#include <utility>

#include "rules/zindle.h"
#include "server/server.h"

namespace zindle {

using proto::Builder;
using proto::FieldReader;
using proto::ListReader;
using proto::message;
namespace cmd = proto::cmd;

namespace {

// Bounds of the numbers a start may carry. The options dialog stays well
// inside them (turn 45-360 s, 0-20 squares, 0-10000 min, score 0-1000); they
// keep the clocks away from the idle marker (-1000) and from overflow, and a
// negative target or game time from ending a game at once. Small values such
// as a 2-second turn still work.
constexpr int kMinTurnTime = 1;
constexpr int kMaxTurnTime = 24 * 60 * 60;
constexpr int kMaxSquareCount = kBoardSize * kBoardSize;
constexpr int kMaxGameTime = 1000000;  // minutes; 60x fits an int with room
constexpr int kMaxPlayToScore = 10000000;

bool within(int value, int lo, int hi) {
    return value >= lo && value <= hi;
}

}  // namespace

void TServer::setScore(int seat, int32_t score) {
    seats[seat].score = score;
    if (teamgame) {
        const int p = seats[seat].partner;
        if (p >= 1 && p <= kPlayerSeats) seats[p].score = score;
    }
}

bool TServer::hasTile(int seat) const {
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (seats[seat].tiles[slot] != kNoTile) return true;
    return false;
}

bool TServer::eligible(int seat) const {
    return seats[seat].connected && !seats[seat].watching;
}

void TServer::getboard(const Arrangement& a) {
    zindle::getboard(colours, a);
    sendtoall(message(cmd::arrangeboard, {a.a, a.b, a.c, a.d}));
}

void TServer::gettile(int seat, int slot) {
    if (seat < 1 || seat > kPlayerSeats || slot < 1 || slot > kRackSize) return;
    if (auto code = bag.gettile(seats[seat].tiles, slot))
        sendto(seat, message(cmd::atile, {slot, *code}));
}

void TServer::startgame(std::string_view fields, int fromSeat) {
    if (fromSeat != 1) return;
    // Every field is read before anything changes, so a malformed start
    // leaves the running game as it was.
    FieldReader r(fields);
    const std::string_view starter = r.field();
    const std::string_view turnText = r.field();
    const std::string_view squaresText = r.field();
    const std::string_view gameText = r.field();
    const std::string_view scoreText = r.field();
    const std::string_view doubleText = r.field();
    const std::string_view partnersText = r.field();
    const auto turn = proto::parseNumber(turnText);
    const auto squares = proto::parseNumber(squaresText);
    const auto minutes = proto::parseNumber(gameText);
    const auto target = proto::parseNumber(scoreText);
    if (!turn || !squares || !minutes || !target) return;
    if (!within(*turn, kMinTurnTime, kMaxTurnTime) || !within(*squares, 0, kMaxSquareCount) ||
        !within(*minutes, 0, kMaxGameTime) || !within(*target, 0, kMaxPlayToScore))
        return;

    gameon = true;
    gameseconds = 0;
    bag.bagpos = 0;
    turnclock = kIdleClock;
    firstword = true;
    for (int s = 1; s <= kPlayerSeats; ++s) {
        seats[s].score = 0;
        seats[s].boughttiles = false;
        seats[s].passed = false;
        seats[s].tiles = emptyRack();
    }
    turntime = *turn;
    squarecount = *squares;
    gametime = *minutes;
    playtoscore = *target;
    doubletiles = doubleText == "y";
    bool allPresent = true;
    for (int s = 1; s <= kPlayerSeats; ++s) allPresent = allPresent && seats[s].connected;
    teamgame = partnersText == "y" && allPresent;
    teamflag.assign(1, teamgame ? 'y' : 'n');
    seats[1].partner = 3;
    seats[2].partner = 4;
    seats[3].partner = 1;
    seats[4].partner = 2;

    sendtoall(message(cmd::startgame, {starter, turnText, squaresText, gameText, scoreText,
                                       doubleText, partnersText, teamflag}));
    rotation = random_.random(4);
    getboard(kArrangements[static_cast<std::size_t>(rotation)]);
    sendtoall(message(cmd::zn));
    bag.bagpos = 0;
    bag.createtileorder(random_);
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seats[s].connected)
            for (int slot = 1; slot <= kRackSize; ++slot) gettile(s, slot);
    fillGrid(letters, kNoTile);
    sendtoall(message(cmd::tilecount, {bag.bagpos}));
    getzindle(colours, squarecount);
    gameseconds = 0;
    turnclock = kIdleClock;
    setClock(true);
    curplayer = random_.random(seatcount) + 1;
    findplayer();
}

void TServer::done(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto seat = r.number();
    // After an end (by the game clock curplayer keeps its seat) nothing moves
    // until the next start: a second end would count the game twice.
    if (!gameon || !seat || *seat != fromSeat || *seat != curplayer) return;

    std::vector<LayGroup> groups;
    ListReader list(r.rest());
    while (list.more()) {
        LayGroup g;
        const auto slot = list.number();
        if (!slot) return;
        g.flipped = list.flag();
        const auto x = list.number();
        if (!x) return;
        const auto y = list.number();
        if (!y) return;
        g.slot = *slot;
        g.x = *x;
        g.y = *y;
        groups.push_back(g);
    }

    TSeat& st = seats[curplayer];
    auto laid = fillplaced(st.tiles, groups, letters);
    if (!laid) {
        sendto(curplayer, message(cmd::invalid, {""}));
        return;
    }
    placed = *laid;
    const Verdict v =
        checkword(JudgeState{colours, letters, curplayer, firstword}, placed, spellit);
    st.wordscore = v.wordscore;
    if (v.lastword) st.lastword = v.lastword->substr(0, 20);
    if (!v.valid) {
        sendto(curplayer, message(cmd::invalid, {""}));
        return;
    }
    placed = v.placed;
    if (v.firstWord) {
        firstword = false;
        Builder b(cmd::reposition);
        for (int slot = 1; slot <= kRackSize; ++slot)
            if (placed[slot].code != kNoTile)
                b << placed[slot].x << placed[slot].y << placed[slot].code;
        sendto(curplayer, b.str());
    }
    endturn();
}

void TServer::endturn() {
    const int seat = curplayer;
    if (seat < 1 || seat > kPlayerSeats) return;
    TSeat& st = seats[seat];
    turnclock = kIdleClock;
    st.squareeffect = kNoEffect;

    Builder word(cmd::newword);
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& p = placed[slot];
        if (p.code == kNoTile || !onBoard(p.x, p.y)) continue;
        letters[p.x][p.y] = p.code;
        word << p.x << p.y << p.code;
        st.tiles[slot] = kNoTile;
    }
    const ZindleOutcome z = drawZindleEffect(placed, colours, st.wordscore, random_);
    st.squareeffect = z.squareeffect;
    st.wordscore = z.wordscore;
    setScore(seat, st.score + st.wordscore);

    const int partner = st.partner >= 1 && st.partner <= kPlayerSeats ? st.partner : 0;
    const int32_t partnerScore = partner ? seats[partner].score : 0;
    sendtoall(message(cmd::postscore, {bag.bagpos, seat, st.squareeffect, st.wordscore, st.score,
                                       st.partner, partnerScore, st.lastword, ""}));
    sendtoall(word.str());
    if (checkforwin())
        curplayer = 0;
    else
        findplayer();
}

void TServer::newtiles(std::string_view fields, int fromSeat) {
    const auto seat = proto::parseNumber(fields);
    if (!gameon || !seat || *seat != fromSeat || *seat != curplayer) return;
    TSeat& st = seats[curplayer];
    if (st.boughttiles) {
        sendto(curplayer, message(cmd::already, {""}));
        return;
    }
    if (bag.bagpos > 86) {
        sendto(curplayer, message(cmd::notenough, {""}));
        return;
    }
    st.boughttiles = true;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const int pos = bag.bagpos + 1 + random_.random(kMaxDrawn - bag.bagpos);
        std::swap(st.tiles[slot], bag.bag[static_cast<std::size_t>(pos)]);
        // An empty slot swapped in earlier must not come out as a tile code.
        if (!isLetterCode(st.tiles[slot])) st.tiles[slot] = 0;
        sendto(curplayer, message(cmd::atile, {slot, st.tiles[slot]}));
    }
    setScore(curplayer, st.score - 10);
    const int partner = st.partner >= 1 && st.partner <= kPlayerSeats ? st.partner : 0;
    sendtoall(
        message(cmd::newtiles, {fields, st.score, st.partner, partner ? seats[partner].score : 0}));
}

void TServer::pass(std::string_view fields, int fromSeat) {
    const auto seat = proto::parseNumber(fields);
    if (!gameon || !seat || *seat != fromSeat || *seat != curplayer) return;
    seats[curplayer].passed = true;
    sendtoall(message(cmd::pass, {fields}));
    if (checkforwin()) {
        curplayer = 0;
    } else if (everyoneElseIsDone()) {
        // Seats with empty racks are only ever passed over; without this a
        // watcher's tiles would keep the game going round for ever.
        curplayer = 0;
        findwinner();
        sendtoall(message(cmd::everyonepassed, {""}));
    } else {
        findplayer();
    }
}

bool TServer::everyoneElseIsDone() const {
    for (int s = 1; s <= kPlayerSeats; ++s) {
        const TSeat& st = seats[s];
        if (st.connected && !st.watching && !st.passed && hasTile(s)) return false;
    }
    return true;
}

void TServer::findplayer() {
    findplayerFrom(0);
}

void TServer::findplayerFrom(int fruitless) {
    const int drawnBefore = bag.bagpos;
    if (curplayer >= 1 && curplayer <= kPlayerSeats)
        for (int slot = 1; slot <= kRackSize; ++slot)
            if (seats[curplayer].tiles[slot] == kNoTile) gettile(curplayer, slot);
    // A refill that drew something ends the fruitless round.
    if (bag.bagpos != drawnBefore) fruitless = 0;
    sendtoall(message(cmd::tilecount, {bag.bagpos}));

    int next = curplayer;
    bool found = false;
    for (int visit = 0; visit < kPlayerSeats && !found; ++visit) {
        next = (next >= 1 && next < kPlayerSeats) ? next + 1 : 1;
        found = eligible(next);
    }
    if (!found) {
        curplayer = 0;
        findwinner();
        return;
    }
    curplayer = next;
    if (hasTile(next)) {
        seats[next].passed = false;
        sendtoplayers(message(cmd::nextplayer, {next}));
        turnclock = turntime;
        return;
    }
    sendtoplayers(message(cmd::notiles, {next, ""}));
    int players = 0;
    for (int s = 1; s <= kPlayerSeats; ++s) players += eligible(s) ? 1 : 0;
    if (checkforwin()) {
        curplayer = 0;
    } else if (fruitless + 1 >= players) {
        // One round of the seats that may play found no tile and drew none,
        // but a watching seat still holds some: without this bound the turn
        // would go round for ever.
        curplayer = 0;
        findwinner();
        sendtoall(message(cmd::nomoretiles, {""}));
    } else {
        findplayerFrom(fruitless + 1);
    }
}

}  // namespace zindle
