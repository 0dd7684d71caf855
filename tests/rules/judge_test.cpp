#include "rules/judge.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace zindle;

namespace {

// A board of arrangement (1, 2, 3, 4), a small word list and a move builder.
struct Game {
    Grid colours{};
    Grid letters = makeGrid(kNoTile);
    int seat = 1;
    bool firstword = false;
    std::set<std::string> words{"cat", "at"};
    std::vector<std::string> asked;

    Game() { getboard(colours, 1, 2, 3, 4); }

    void letter(int x, int y, char l) { letters[x][y] = codeOfLetter(l); }

    Verdict judge(const std::vector<LayGroup>& groups, const std::string& rackText) {
        Rack rack = emptyRack();
        for (std::size_t i = 0; i < rackText.size() && i < 10; ++i)
            if (rackText[i] != '.') rack[i + 1] = codeOfLetter(rackText[i]);
        auto placed = fillplaced(rack, groups, letters);
        EXPECT_TRUE(placed.has_value());
        if (!placed) return {};
        return judge(*placed);
    }

    Verdict judge(const PlacedSet& placed) {
        return checkword({colours, letters, seat, firstword}, placed, [this](std::string_view w) {
            asked.emplace_back(w);
            return words.count(std::string(w)) > 0;
        });
    }
};

}  // namespace

TEST(RulesFillPlaced, BuildsEntriesFromTheRack) {
    Rack rack = emptyRack();
    rack[2] = codeOfLetter('m');
    rack[7] = codeOfLetter('c');
    const Grid letters = makeGrid(kNoTile);
    const std::vector<LayGroup> groups{{7, false, 3, 4}, {2, true, 5, 6}};
    auto placed = fillplaced(rack, groups, letters);
    ASSERT_TRUE(placed);
    EXPECT_EQ((*placed)[7], (Placed{3, 4, codeOfLetter('c'), false}));
    EXPECT_EQ((*placed)[2], (Placed{5, 6, codeOfLetter('n'), false}));  // m's back is n
    EXPECT_EQ((*placed)[1], Placed{});
    EXPECT_EQ(laidCount(*placed), 2);

    // A slot named twice keeps its last group.
    const std::vector<LayGroup> twice{{7, false, 3, 4}, {7, false, 8, 8}};
    placed = fillplaced(rack, twice, letters);
    ASSERT_TRUE(placed);
    EXPECT_EQ((*placed)[7].x, 8);
    EXPECT_EQ(laidCount(*placed), 1);
}

TEST(RulesFillPlaced, RefusesMovesOutsideTheRackOrBoard) {
    Rack rack = emptyRack();
    rack[1] = 0;
    rack[10] = 1;
    Grid letters = makeGrid(kNoTile);
    letters[4][4] = 2;
    auto refused = [&](std::vector<LayGroup> g) {
        return !fillplaced(rack, g, letters).has_value();
    };
    EXPECT_TRUE(refused({{0, false, 1, 1}}));
    EXPECT_TRUE(refused({{11, false, 1, 1}}));
    EXPECT_TRUE(refused({{-5, false, 1, 1}}));
    EXPECT_TRUE(refused({{1, false, 19, 1}}));
    EXPECT_TRUE(refused({{1, false, 1, 19}}));
    EXPECT_TRUE(refused({{1, false, -1, 0}}));
    EXPECT_TRUE(refused({{1, false, 100, 100}}));
    EXPECT_TRUE(refused({{1, false, 4, 4}}));                     // occupied cell
    EXPECT_TRUE(refused({{5, false, 1, 1}}));                     // slot holds no tile
    EXPECT_TRUE(refused({{1, false, 2, 2}, {10, false, 2, 2}}));  // one cell, two tiles
    EXPECT_FALSE(refused({{1, false, 2, 2}, {10, false, 2, 3}}));
    EXPECT_FALSE(refused({}));
    rack[3] = 55;  // not a letter code
    EXPECT_TRUE(refused({{3, false, 1, 1}}));
}

TEST(RulesCheckword, MalformedPlacedSetIsRefusedWithoutReading) {
    Game g;
    PlacedSet placed{};
    placed[1] = {25, 3, 2, false};
    EXPECT_FALSE(g.judge(placed).valid);
    placed[1] = {3, 3, 100, false};  // a cell without a tile
    EXPECT_FALSE(g.judge(placed).valid);
    placed[1] = {3, 3, 2, false};
    placed[0] = {4, 3, 0, false};  // there is no slot 0
    EXPECT_FALSE(g.judge(placed).valid);
    EXPECT_TRUE(g.asked.empty());
}

TEST(RulesCheckword, FirstWordMovesToTheMiddle) {
    Game g;
    g.firstword = true;
    const Verdict v = g.judge({{1, false, 8, 2}, {2, false, 9, 2}, {3, false, 10, 2}}, "cat");
    ASSERT_TRUE(v.valid);
    EXPECT_TRUE(v.firstWord);
    EXPECT_TRUE(v.across);
    EXPECT_FALSE(v.touch);
    EXPECT_EQ(v.word, "cat");
    EXPECT_EQ(v.wordscore, 10 + 10 + 5);  // where it was laid, not where it went
    EXPECT_EQ(v.placed[1], (Placed{8, 9, 2, true}));
    EXPECT_EQ(v.placed[2], (Placed{9, 9, 0, true}));
    EXPECT_EQ(v.placed[3], (Placed{10, 9, 19, true}));
}

TEST(RulesCheckword, FirstSingleTileAndLaterLoneWordsAreRefused) {
    Game g;
    g.firstword = true;
    Verdict v = g.judge({{1, false, 4, 4}}, "a");
    EXPECT_FALSE(v.valid);
    EXPECT_FALSE(v.lastword.has_value());

    g.firstword = false;
    g.letter(15, 15, 'z');
    v = g.judge({{1, false, 2, 5}, {2, false, 3, 5}, {3, false, 4, 5}}, "cat");
    EXPECT_FALSE(v.valid);
    EXPECT_EQ(v.lastword, "cat");  // the word passed the list test before the touch rule failed
}

TEST(RulesCheckword, FirstWordPushedOffTheBoardIsRefused) {
    // Only a board that holds letters during the first word can do this.
    Game g;
    g.firstword = true;
    g.words.insert("ca" + std::string(16, 'b') + "t");
    for (int x = 1; x <= 17; ++x) g.letter(x, 0, x == 1 ? 'a' : 'b');
    const Verdict v = g.judge({{1, false, 0, 0}, {2, false, 18, 0}}, "ct");
    EXPECT_FALSE(v.valid);
}

TEST(RulesCheckword, VerticalReadingComesFirst) {
    // One tile that makes "cat" downwards and "at" across: both are listed,
    // the verdict is the vertical word with the cross word's points.
    Game g;
    g.letter(5, 2, 'c');
    g.letter(5, 3, 'a');
    g.letter(4, 4, 'a');
    Verdict v = g.judge({{1, false, 5, 4}}, "t");
    ASSERT_TRUE(v.valid);
    EXPECT_FALSE(v.across);
    EXPECT_EQ(v.word, "cat");
    EXPECT_EQ(v.wordscore, 30 + 20);
    EXPECT_EQ((std::vector<std::string>{"cat", "at"}), g.asked);

    // With an unlisted cross word both readings fail; lastword keeps the
    // vertical word, the last main word that was found.
    g.letters[4][4] = codeOfLetter('x');
    g.asked.clear();
    v = g.judge({{1, false, 5, 4}}, "t");
    EXPECT_FALSE(v.valid);
    EXPECT_EQ(v.lastword, "cat");
    EXPECT_EQ((std::vector<std::string>{"cat", "xt", "xt"}), g.asked);

    // Without the letters above, a lone tile is read across.
    g.letters[5][2] = kNoTile;
    g.letters[5][3] = kNoTile;
    g.letters[4][4] = codeOfLetter('a');
    v = g.judge({{1, false, 5, 4}}, "t");
    ASSERT_TRUE(v.valid);
    EXPECT_TRUE(v.across);
    EXPECT_EQ(v.word, "at");
    EXPECT_EQ(v.wordscore, 20);
}
