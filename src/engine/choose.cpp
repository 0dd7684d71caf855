#include "engine/choose.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zindle::engine {

namespace {

// Every letter scores alike, so a tile is worth what it helps to lay later:
// the common letters and s most, the hard consonants least.
constexpr std::array<double, 26> kKeep{
    1.0,  -1.0, -0.5, 0.5, 2.0, -1.0, -0.5, 0.0, 0.5,  -3.0, -2.0, 0.5, -0.5,
    1.0,  0.5,  -0.5, -5.0, 1.5, 3.0, 1.0, -1.0, -2.5, -1.5, -2.0, -1.0, -3.0};

bool vowel(int letter) {
    return letter == 0 || letter == 4 || letter == 8 || letter == 14 || letter == 20;
}

// Tuned in the arena against the greedy player.
constexpr double kLeaveWeight = 1.5;
constexpr double kOwnCellBonus = 5;
constexpr int kExchangeCost = 10;
constexpr int kMinTilesToExchange = 12;

int32_t teamScore(const Situation& s) { return s.scores[s.seat]; }

int32_t bestOpponent(const Situation& s) {
    int32_t best = INT32_MIN;
    for (int seat = 1; seat <= 4; ++seat)
        if (s.playing[seat] && seat != s.seat && seat != s.partner) best = std::max(best, s.scores[seat]);
    return best;
}

bool othersAllPassed(const Situation& s) {
    bool any = false;
    for (int seat = 1; seat <= 4; ++seat) {
        if (!s.playing[seat] || seat == s.seat) continue;
        any = true;
        if (!s.passed[seat]) return false;
    }
    return any;
}

}  // namespace

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
        case Level::Easy: return "Easy";
        case Level::Hard: return "Hard";
        default: return "Normal";
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
                Level level, Random& random) {
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
        // Modest moves: somewhere in the lower middle of what is possible.
        std::sort(moves.begin(), moves.end(),
                  [](const Move& a, const Move& b) { return expectedPoints(a) < expectedPoints(b); });
        const int n = static_cast<int>(moves.size());
        const int lo = n / 4, span = std::max(1, n * 2 / 5);
        d.kind = Decision::Play;
        d.move = moves[std::min(n - 1, lo + random.random(span))];
        return d;
    }

    const Move* best = nullptr;
    double bestValue = -1e9;
    const bool endgame = s.tilesLeft == 0;
    for (const Move& m : moves) {
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
            for (int i = 0; i < m.count && !m.first; ++i) {
                const int c = pos.colours[m.tiles[i].x][m.tiles[i].y];
                if (c == s.seat || (s.partner != 0 && c == s.partner)) v += kOwnCellBonus;
            }
        }
        if (v > bestValue) {
            bestValue = v;
            best = &m;
        }
    }
    // A poor rack is worth changing while the bag is full enough; the turn
    // goes on after New Tiles, so the cost is the ten points alone.
    if (level == Level::Hard && canExchange && !pos.firstword && expectedPoints(*best) < 2 * kExchangeCost)
        d.kind = Decision::Exchange;
    else {
        d.kind = Decision::Play;
        d.move = *best;
    }
    return d;
}

}  // namespace zindle::engine
