#include "engine/choose.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zindle::engine {

namespace {

// Every letter scores alike, so a tile is worth what it helps to lay later:
// the common letters and s most, the hard consonants least.
constexpr std::array<double, 26> kKeep{1.0,  -1.0, -0.5, 0.5,  2.0,  -1.0, -0.5, 0.0,  0.5,
                                       -3.0, -2.0, 0.5,  -0.5, 1.0,  0.5,  -0.5, -5.0, 1.5,
                                       3.0,  1.0,  -1.0, -2.5, -1.5, -2.0, -1.0, -3.0};

bool vowel(int letter) {
    return letter == 0 || letter == 4 || letter == 8 || letter == 14 || letter == 20;
}

// Tuned in the arena against the greedy player.
constexpr double kLeaveWeight = 1.5;
constexpr double kOwnCellBonus = 5;
constexpr int kExchangeCost = 10;
constexpr int kMinTilesToExchange = 12;
constexpr double kEasyShare = 0.7;

int32_t teamScore(const Situation& s) {
    return s.scores[s.seat];
}

int32_t bestOpponent(const Situation& s) {
    int32_t best = INT32_MIN;
    for (int seat = 1; seat <= kPlayerSeats; ++seat)
        if (s.playing[seat] && seat != s.seat && seat != s.partner)
            best = std::max(best, s.scores[seat]);
    return best;
}

bool othersAllPassed(const Situation& s) {
    bool any = false;
    for (int seat = 1; seat <= kPlayerSeats; ++seat) {
        if (!s.playing[seat] || seat == s.seat) continue;
        any = true;
        if (!s.passed[seat]) return false;
    }
    return any;
}

// The next seat to move after this one that is not on our side.
int nextOpponent(const Situation& s) {
    for (int step = 1; step < kPlayerSeats; ++step) {
        const int seat = (s.seat - 1 + step) % kPlayerSeats + 1;
        if (s.playing[seat] && seat != s.partner) return seat;
    }
    return 0;
}

// The best few moves by the static judgement, each less what the next
// opponent is expected to score after it, over racks drawn from the tiles
// this seat has not seen. Every candidate meets the same racks, so the
// comparison is not swamped by the luck of the draw.
size_t lookAhead(const Lexicon& lex, const Position& pos, const Rack& rack, const Situation& s,
                 const std::vector<Move>& moves, const std::vector<double>& values, Random& random,
                 const Budget& budget) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + budget.time;
    const auto outOfTime = [&] {
        return (budget.stop && budget.stop->load(std::memory_order_relaxed)) ||
               (budget.time.count() > 0 && Clock::now() >= deadline);
    };
    std::vector<size_t> order(moves.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    const size_t n = std::min<size_t>(order.size(), std::max(1, budget.candidates));
    std::partial_sort(order.begin(), order.begin() + n, order.end(), [&](size_t a, size_t b) {
        return values[a] > values[b] || (values[a] == values[b] && a < b);
    });
    const int opponent = nextOpponent(s);
    if (opponent == 0 || n < 2) return order[0];

    std::vector<int32_t> pool;
    const std::array<int, 26> unseen = unseenTiles(pos.letters, rack, pos.doubletiles);
    for (int letter = 0; letter < 26; ++letter)
        for (int c = 0; c < unseen[letter]; ++c) pool.push_back(letter);
    if (pool.empty()) return order[0];
    // Each sample is one order of the unseen tiles: the opponent's rack
    // first, then our own refill.
    std::vector<std::vector<int32_t>> draws(budget.samples);
    for (std::vector<int32_t>& draw : draws) {
        std::vector<int32_t> left = pool;
        while (!left.empty() && draw.size() < 2 * kRackSize) {
            const int pick = random.random(static_cast<int32_t>(left.size()));
            draw.push_back(left[pick]);
            left[pick] = left.back();
            left.pop_back();
        }
    }

    size_t best = order[0];
    double bestValue = -1e18;
    for (size_t c = 0; c < n; ++c) {
        const Move& m = moves[order[c]];
        Grid after = pos.letters;
        for (int t = 0; t < m.count; ++t) after[m.tiles[t].x][m.tiles[t].y] = m.tiles[t].letter;
        const Position reply{pos.colours, after, opponent, false, pos.doubletiles};
        const Position next{pos.colours, after, pos.seat, false, pos.doubletiles};
        std::array<bool, kRackSize + 1> gone{};
        for (int t = 0; t < m.count; ++t) gone[m.tiles[t].slot] = true;
        double replies = 0, ours = 0;
        for (const std::vector<int32_t>& draw : draws) {
            if (outOfTime()) return best;  // candidates judged so far, in full
            const size_t theirs = std::min<size_t>(kRackSize, draw.size());
            Rack r = emptyRack();
            for (size_t i = 0; i < theirs; ++i) r[i + 1] = draw[i];
            double top = 0;
            for (const Move& o : generateMoves(lex, reply, r))
                top = std::max(top, expectedPoints(o));
            replies += top;
            if (!budget.followUp) continue;
            // Our next turn from what this move leaves and what the bag gives.
            Rack mine = rack;
            size_t refill = theirs, bag = static_cast<size_t>(std::max(0, s.tilesLeft));
            for (int slot = 1; slot <= kRackSize; ++slot) {
                if (!gone[slot]) continue;
                mine[slot] = refill < draw.size() && bag > 0 ? draw[refill++] : kNoTile;
                if (bag > 0) --bag;
            }
            top = 0;
            for (const Move& o : generateMoves(lex, next, mine))
                top = std::max(top, expectedPoints(o));
            ours += top;
        }
        double v = values[order[c]] - replies / static_cast<double>(draws.size());
        // Our own next turn replaces the guess at what the leave is worth.
        if (budget.followUp)
            v += ours / static_cast<double>(draws.size()) -
                 (s.tilesLeft > 0 ? kLeaveWeight * leaveValue(rack, m, pos.doubletiles) : 0);
        if (v > bestValue) {
            bestValue = v;
            best = order[c];
        }
    }
    return best;
}

}  // namespace

std::array<int, 26> unseenTiles(const Grid& letters, const Rack& rack, bool doubletiles) {
    std::array<int, 26> left{};
    for (int letter = 0; letter < 26; ++letter)
        left[tileKind(letter, doubletiles)] += kTileCounts[letter];
    const auto take = [&](int32_t code) {
        if (isLetterCode(code) && left[tileKind(code, doubletiles)] > 0)
            --left[tileKind(code, doubletiles)];
    };
    for (const auto& column : letters)
        for (int32_t code : column) take(code);
    for (int slot = 1; slot <= kRackSize; ++slot) take(rack[slot]);
    return left;
}

std::optional<Level> levelFromName(std::string_view name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (n == "easy") return Level::Easy;
    if (n == "normal") return Level::Normal;
    if (n == "hard") return Level::Hard;
    return std::nullopt;
}

const char* levelName(Level level) {
    switch (level) {
        case Level::Easy:
            return "Easy";
        case Level::Hard:
            return "Hard";
        default:
            return "Normal";
    }
}

double expectedPoints(const Move& move) {
    // The host draws one effect however many squares are covered.
    return move.zindles > 0 ? move.score * 4.0 / 3.0 : move.score;
}

double leaveValue(const Rack& rack, const Move& move, bool doubletiles) {
    std::array<bool, kRackSize + 1> gone{};
    for (int i = 0; i < move.count; ++i) gone[move.tiles[i].slot] = true;
    std::array<int, 26> kinds{};
    double value = 0;
    int n = 0, vowels = 0;
    for (int s = 1; s <= kRackSize; ++s) {
        const int t = rack[s];
        if (gone[s] || !isLetterCode(t)) continue;
        ++n;
        const int k = tileKind(t, doubletiles);
        // A second and third copy of a tile add less and less.
        value += (doubletiles ? std::max(kKeep[t], kKeep[25 - t]) : kKeep[t]) - 1.5 * kinds[k];
        ++kinds[k];
        if (vowel(t) || (doubletiles && vowel(25 - t))) ++vowels;
    }
    if (n > 0) value -= 1.5 * std::abs(vowels - 0.4 * n);
    return value;
}

Decision decide(const Lexicon& lex, const Position& pos, const Rack& rack, const Situation& s,
                Level level, Random& random, const Budget& budget) {
    Decision d;
    std::vector<Move> moves = generateMoves(lex, pos, rack);
    const bool canExchange = s.mayExchange && s.tilesLeft >= kMinTilesToExchange;
    const bool leading = teamScore(s) > bestOpponent(s);

    // Everyone else passed: a pass now ends the game, a win when ahead.
    if (level == Level::Hard && leading && othersAllPassed(s)) return d;

    if (moves.empty()) {
        if (canExchange && level != Level::Easy) d.kind = Decision::Exchange;
        return d;
    }

    if (level == Level::Easy) {
        // A beginner sees a fair move, seldom the best: any that scores at
        // least a share of the best, never a scrap when more is at hand.
        double top = 0;
        for (const Move& m : moves) top = std::max(top, expectedPoints(m));
        std::vector<const Move*> fair;
        for (const Move& m : moves)
            if (expectedPoints(m) >= kEasyShare * top) fair.push_back(&m);
        d.kind = Decision::Play;
        d.move = *fair[random.random(static_cast<int32_t>(fair.size()))];
        return d;
    }

    const bool endgame = s.tilesLeft == 0;
    std::vector<double> values(moves.size());
    for (size_t i = 0; i < moves.size(); ++i) {
        const Move& m = moves[i];
        double v = expectedPoints(m);
        if (level == Level::Hard) {
            // A move past the score target ends the game; ahead after it is a win.
            if (s.playto != 0 && teamScore(s) + m.score - (m.zindles ? 20 : 0) > s.playto &&
                teamScore(s) + m.score - (m.zindles ? 20 : 0) > bestOpponent(s))
                v += 1000;
            if (!endgame) v += kLeaveWeight * leaveValue(rack, m, pos.doubletiles);
            // A letter on our own colour pays 10 to us in every later word
            // through it, 5 to anyone else: worth keeping play on our side.
            // (A first word is moved to the middle, off the cells it was laid on.)
            for (int t = 0; t < m.count && !m.first; ++t) {
                const int c = pos.colours[m.tiles[t].x][m.tiles[t].y];
                if (c == s.seat || (s.partner != 0 && c == s.partner)) v += kOwnCellBonus;
            }
        }
        values[i] = v;
    }
    size_t bestIndex = std::max_element(values.begin(), values.end()) - values.begin();
    if (level == Level::Hard && budget.samples > 0 && !pos.firstword && moves.size() > 1)
        bestIndex = lookAhead(lex, pos, rack, s, moves, values, random, budget);
    const Move* best = &moves[bestIndex];
    // A poor rack is worth changing while the bag is full enough; the turn
    // goes on after New Tiles, so the cost is the ten points alone.
    if (level == Level::Hard && canExchange && !pos.firstword &&
        expectedPoints(*best) < 2 * kExchangeCost)
        d.kind = Decision::Exchange;
    else {
        d.kind = Decision::Play;
        d.move = *best;
    }
    return d;
}

}  // namespace zindle::engine
