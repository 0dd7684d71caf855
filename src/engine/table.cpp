#include "engine/table.h"

#include <algorithm>
#include <utility>

#include "rules/zindle.h"

namespace zindle::engine {

Table::Table(TableRules rules, uint32_t seed, WordLookup lookup)
    : rules_(rules), random_(seed), lookup_(std::move(lookup)) {
    rules_.players = std::clamp(rules_.players, 1, 4);
    teamgame_ = rules_.partners && rules_.players == 4;
    fillGrid(letters, kNoTile);
    for (Rack& r : racks) r = emptyRack();
    getboard(colours, kArrangements[random_.random(4)]);
    bag.bagpos = 0;
    bag.createtileorder(random_);
    for (int s = 1; s <= rules_.players; ++s)
        for (int slot = 1; slot <= kRackSize; ++slot) bag.gettile(racks[s], slot);
    getzindle(colours, rules_.zindles);
    curplayer = random_.random(rules_.players) + 1;
    findplayer();
}

void Table::setScore(int seat, int32_t s) {
    score[seat] = s;
    if (teamgame_) score[partner(seat)] = s;
}

bool Table::hasTile(int seat) const {
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (racks[seat][slot] != kNoTile) return true;
    return false;
}

bool Table::play(const Move& move) {
    if (over()) return false;
    const std::vector<LayGroup> groups = move.groups();
    const auto placed = fillplaced(racks[curplayer], groups, letters);
    if (!placed) return false;
    const Verdict v = checkword({colours, letters, curplayer, firstword}, *placed, lookup_);
    if (!v.valid) return false;
    if (v.firstWord) firstword = false;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& p = v.placed[slot];
        if (p.code == kNoTile) continue;
        letters[p.x][p.y] = p.code;
        racks[curplayer][slot] = kNoTile;
    }
    const ZindleOutcome z = drawZindleEffect(v.placed, colours, v.wordscore, random_);
    lastPoints = z.wordscore;
    setScore(curplayer, score[curplayer] + z.wordscore);
    ++turns;
    if (!checkforwin()) findplayer();
    return true;
}

bool Table::exchange() {
    if (over() || bought[curplayer] || bag.bagpos > 86) return false;
    bought[curplayer] = true;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const int at = bag.bagpos + 1 + random_.random(kMaxDrawn - bag.bagpos);
        std::swap(racks[curplayer][slot], bag.bag[at]);
    }
    setScore(curplayer, score[curplayer] - 10);
    return true;
}

void Table::pass() {
    if (over()) return;
    passed[curplayer] = true;
    ++turns;
    if (!checkforwin()) findplayer();
}

void Table::findplayer() {
    // Each visit either finds a rack with tiles, ends the game, or moves on;
    // two rounds without a tile anywhere cannot happen, but never loop.
    for (int guard = 0; guard < 4 * 4 + 2; ++guard) {
        if (curplayer >= 1 && curplayer <= 4)
            for (int slot = 1; slot <= kRackSize; ++slot)
                if (racks[curplayer][slot] == kNoTile) bag.gettile(racks[curplayer], slot);
        curplayer = curplayer >= rules_.players ? 1 : curplayer + 1;
        if (hasTile(curplayer)) {
            passed[curplayer] = false;
            return;
        }
        if (checkforwin()) return;
    }
    ending = Ending::Stalled;
}

bool Table::checkforwin() {
    bool someoneHolds = false, allPassed = true, overTarget = false;
    for (int s = 1; s <= rules_.players; ++s) {
        if (!passed[s] && hasTile(s)) someoneHolds = true;
        if (!passed[s]) allPassed = false;
        if (score[s] > rules_.playto) overTarget = true;
    }
    if (!someoneHolds)
        ending = Ending::NoMoreTiles;
    else if (allPassed)
        ending = Ending::EveryonePassed;
    else if (rules_.playto != 0 && overTarget)
        ending = Ending::PlayerGotScore;
    return over();
}

std::vector<int> Table::winners() const {
    int32_t best = 0;
    for (int s = 1; s <= rules_.players; ++s) best = std::max(best, score[s]);
    std::vector<int> w;
    for (int s = 1; s <= rules_.players; ++s)
        if (score[s] == best) w.push_back(s);
    return w;
}

int lettersOnBoard(const Grid& letters) {
    int n = 0;
    for (const auto& col : letters)
        for (int32_t l : col) n += l != kNoTile;
    return n;
}

void playRandomly(Table& table, const Lexicon& lex, int letters, Random& random) {
    while (!table.over() && lettersOnBoard(table.letters) < letters) {
        const std::vector<Move> moves =
            generateMoves(lex, table.position(), table.racks[table.curplayer]);
        if (moves.empty()) {
            table.pass();
            continue;
        }
        // Short moves mostly, so boards grow slowly and stay varied.
        const Move* pick = &moves[random.random(static_cast<int32_t>(moves.size()))];
        for (int tries = 0; tries < 4 && pick->count > 4; ++tries)
            pick = &moves[random.random(static_cast<int32_t>(moves.size()))];
        table.play(*pick);
    }
}

}  // namespace zindle::engine
