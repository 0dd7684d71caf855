// The start, moves, exchanges, passes and handing the turn on.
#include "rules/referee.h"

#include <utility>

namespace zindle {

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
// An exchange needs twelve tiles left in the bag.
constexpr int kLastExchangeDraw = kMaxDrawn - 12;

bool within(int value, int lo, int hi) {
    return value >= lo && value <= hi;
}

}  // namespace

bool GameSettings::acceptable() const {
    return within(turntime, kMinTurnTime, kMaxTurnTime) &&
           within(squarecount, 0, kMaxSquareCount) && within(gametime, 0, kMaxGameTime) &&
           within(playtoscore, 0, kMaxPlayToScore);
}

bool PlayerState::hasTile() const {
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (tiles[slot] != kNoTile) return true;
    return false;
}

Referee::Referee(Random& random, WordLookup lookup, const Seating& seating, GameEvents& events)
    : random_(random), lookup_(std::move(lookup)), seating_(seating), events_(events) {}

const PlayerState& Referee::player(int seat) const {
    static const PlayerState nobody;
    return isPlayer(seat) ? state_.players[seat] : nobody;
}

bool Referee::eligible(int seat) const {
    return seating_.open(seat) && !seating_.watching(seat);
}

int Referee::partnerSeat(const PlayerState& p) const {
    return isPlayer(p.partner) ? p.partner : 0;
}

void Referee::setScore(int seat, int32_t score) {
    state_.players[seat].score = score;
    if (state_.teamgame) {
        const int p = partnerSeat(state_.players[seat]);
        if (p) state_.players[p].score = score;
    }
}

void Referee::gettile(int seat, int slot) {
    if (!isPlayer(seat) || slot < 1 || slot > kRackSize) return;
    if (auto code = state_.bag.gettile(state_.players[seat].tiles, slot))
        events_.tileDrawn(seat, slot, *code);
}

void Referee::fillRack(int seat) {
    if (!isPlayer(seat)) return;
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (state_.players[seat].tiles[slot] == kNoTile) gettile(seat, slot);
}

bool Referee::start(const GameSettings& settings) {
    if (!settings.acceptable()) return false;
    RefereeState& g = state_;
    g.gameon = true;
    g.gameseconds = 0;
    g.bag.bagpos = 0;
    g.turnclock = kIdleClock;
    g.firstword = true;
    g.ending = GameEnd::None;
    for (int s = 1; s <= kPlayerSeats; ++s) {
        PlayerState& p = g.players[s];
        p.score = 0;
        p.boughttiles = false;
        p.passed = false;
        p.tiles = emptyRack();
    }
    g.settings = settings;
    bool allPresent = true;
    for (int s = 1; s <= kPlayerSeats; ++s) allPresent = allPresent && seating_.open(s);
    g.teamgame = settings.partners && allPresent;
    // Set whether or not the game is a partners game.
    for (int s = 1; s <= kPlayerSeats; ++s) g.players[s].partner = partnerOf(s);
    events_.started(g.teamgame);

    g.rotation = random_.random(static_cast<int32_t>(kArrangements.size()));
    const Arrangement& a = kArrangements[static_cast<std::size_t>(g.rotation)];
    getboard(g.colours, a);
    events_.boardArranged(a);
    g.bag.bagpos = 0;
    g.bag.createtileorder(random_);
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seating_.open(s))
            for (int slot = 1; slot <= kRackSize; ++slot) gettile(s, slot);
    fillGrid(g.letters, kNoTile);
    events_.tilesDrawn(g.bag.bagpos);
    getzindle(g.colours, settings.squarecount);
    g.gameseconds = 0;
    g.turnclock = kIdleClock;
    setClock(true);
    // The first turn goes to the next seat that may play after a random one.
    g.curplayer = random_.random(seating_.highestSeat()) + 1;
    findplayer();
    return true;
}

bool Referee::done(int seat, std::span<const LayGroup> groups) {
    if (!mayMove(seat)) return false;
    PlayerState& p = state_.players[seat];
    const auto laid = fillplaced(p.tiles, groups, state_.letters);
    if (!laid) {
        events_.moveRefused(seat);
        return false;
    }
    const Verdict v = checkword(JudgeState{state_.colours, state_.letters, seat, state_.firstword},
                                *laid, lookup_);
    p.wordscore = v.wordscore;
    if (v.lastword) p.lastword = v.lastword->substr(0, 20);
    if (!v.valid) {
        events_.moveRefused(seat);
        return false;
    }
    if (v.firstWord) {
        state_.firstword = false;
        std::vector<LaidTile> moved;
        for (int slot = 1; slot <= kRackSize; ++slot)
            if (v.placed[slot].code != kNoTile)
                moved.push_back({v.placed[slot].x, v.placed[slot].y, v.placed[slot].code});
        events_.firstWordMoved(seat, moved);
    }
    endturn(v.placed);
    return true;
}

void Referee::endturn(const PlacedSet& placed) {
    const int seat = state_.curplayer;
    if (!isPlayer(seat)) return;
    PlayerState& p = state_.players[seat];
    state_.turnclock = kIdleClock;
    p.squareeffect = kNoEffect;

    std::vector<LaidTile> laid;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& t = placed[slot];
        if (t.code == kNoTile || !onBoard(t.x, t.y)) continue;
        state_.letters[t.x][t.y] = t.code;
        laid.push_back({t.x, t.y, t.code});
        p.tiles[slot] = kNoTile;
    }
    const ZindleOutcome z = drawZindleEffect(placed, state_.colours, p.wordscore, random_);
    p.squareeffect = z.squareeffect;
    p.wordscore = z.wordscore;
    setScore(seat, p.score + p.wordscore);

    const int partner = partnerSeat(p);
    events_.moveScored({state_.bag.bagpos, seat, p.squareeffect, p.wordscore, p.score, p.partner,
                        partner ? state_.players[partner].score : 0, p.lastword, laid});
    if (checkforwin())
        state_.curplayer = 0;
    else
        findplayer();
}

bool Referee::newtiles(int seat) {
    if (!mayMove(seat)) return false;
    PlayerState& p = state_.players[seat];
    if (p.boughttiles) {
        events_.exchangeRefused(seat, ExchangeRefusal::Already);
        return false;
    }
    Bag& bag = state_.bag;
    if (bag.bagpos > kLastExchangeDraw) {
        events_.exchangeRefused(seat, ExchangeRefusal::NotEnough);
        return false;
    }
    p.boughttiles = true;
    // Each slot swaps with an undrawn tile, so the old rack goes back into
    // the bag; nothing is drawn.
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const int pos = bag.bagpos + 1 + random_.random(kMaxDrawn - bag.bagpos);
        std::swap(p.tiles[slot], bag.bag[static_cast<std::size_t>(pos)]);
        // An empty slot swapped in earlier must not come out as a tile code.
        if (!isLetterCode(p.tiles[slot])) p.tiles[slot] = 0;
        events_.tileDrawn(seat, slot, p.tiles[slot]);
    }
    setScore(seat, p.score - 10);
    const int partner = partnerSeat(p);
    events_.exchanged(seat, p.score, p.partner, partner ? state_.players[partner].score : 0);
    return true;
}

void Referee::pass(int seat) {
    if (!mayMove(seat)) return;
    state_.players[seat].passed = true;
    events_.passed(seat);
    if (checkforwin()) {
        state_.curplayer = 0;
    } else if (everyoneElseIsDone()) {
        // Seats with empty racks are only ever passed over; without this a
        // watcher's tiles would keep the game going round for ever.
        state_.curplayer = 0;
        findwinner();
        end(GameEnd::EveryonePassed);
    } else {
        findplayer();
    }
}

bool Referee::everyoneElseIsDone() const {
    for (int s = 1; s <= kPlayerSeats; ++s) {
        const PlayerState& p = state_.players[s];
        if (eligible(s) && !p.passed && p.hasTile()) return false;
    }
    return true;
}

void Referee::turnLeft(int seat) {
    if (state_.gameon && seat == state_.curplayer) findplayer();
}

void Referee::findplayer() {
    findplayerFrom(0);
}

// fruitless: turns in a row that came to a seat without tiles and drew none.
void Referee::findplayerFrom(int fruitless) {
    RefereeState& g = state_;
    const int drawnBefore = g.bag.bagpos;
    // The seat whose turn has just ended refills (at the start, the random seat).
    fillRack(g.curplayer);
    // A refill that drew something ends the fruitless round.
    if (g.bag.bagpos != drawnBefore) fruitless = 0;
    events_.tilesDrawn(g.bag.bagpos);

    int next = g.curplayer;
    bool found = false;
    for (int visit = 0; visit < kPlayerSeats && !found; ++visit) {
        next = (next >= 1 && next < kPlayerSeats) ? next + 1 : 1;
        found = eligible(next);
    }
    if (!found) {
        g.curplayer = 0;
        findwinner();
        return;
    }
    g.curplayer = next;
    if (g.players[next].hasTile()) {
        g.players[next].passed = false;
        events_.turnBegins(next);
        g.turnclock = g.settings.turntime;
        return;
    }
    events_.noTiles(next);
    int players = 0;
    for (int s = 1; s <= kPlayerSeats; ++s) players += eligible(s) ? 1 : 0;
    if (checkforwin()) {
        g.curplayer = 0;
    } else if (fruitless + 1 >= players) {
        // One round of the seats that may play found no tile and drew none,
        // but a watching seat still holds some: without this bound the turn
        // would go round for ever.
        g.curplayer = 0;
        findwinner();
        end(GameEnd::NoMoreTiles);
    } else {
        findplayerFrom(fruitless + 1);
    }
}

}  // namespace zindle
