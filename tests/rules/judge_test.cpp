#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "rules/judge.h"
#include "rules/mydict.h"

using namespace zindle;

namespace {

// A board of arrangement (1, 2, 3, 4), a small word list and a move builder.
struct Game {
    Grid colours{};
    Grid letters = makeGrid(kNoTile);
    int seat = 1;
    bool firstword = false;
    std::set<std::string> words{"cat", "cats", "at", "qi", "it", "ta", "zymurgy", "bush",
                                "bushbabies", "hello", "strawberry", "ax"};
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
    auto refused = [&](std::vector<LayGroup> g) { return !fillplaced(rack, g, letters).has_value(); };
    EXPECT_TRUE(refused({{0, false, 1, 1}}));
    EXPECT_TRUE(refused({{11, false, 1, 1}}));
    EXPECT_TRUE(refused({{-5, false, 1, 1}}));
    EXPECT_TRUE(refused({{1, false, 19, 1}}));
    EXPECT_TRUE(refused({{1, false, 1, 19}}));
    EXPECT_TRUE(refused({{1, false, -1, 0}}));
    EXPECT_TRUE(refused({{1, false, 100, 100}}));
    EXPECT_TRUE(refused({{1, false, 4, 4}}));                      // occupied cell
    EXPECT_TRUE(refused({{5, false, 1, 1}}));                      // slot holds no tile
    EXPECT_TRUE(refused({{1, false, 2, 2}, {10, false, 2, 2}}));   // one cell, two tiles
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

TEST(RulesCheckword, FirstWordOfFiveOrMoreScoresFlat) {
    Game g;
    g.firstword = true;
    g.seat = 3;
    Verdict v = g.judge({{1, false, 0, 17}, {4, false, 0, 14}, {2, false, 0, 15},
                         {3, false, 0, 16}, {5, false, 0, 13}},
                        "olleh");
    ASSERT_TRUE(v.valid);
    EXPECT_FALSE(v.across);
    EXPECT_EQ(v.word, "hello");
    EXPECT_EQ(v.wordscore, 45);
    EXPECT_EQ(v.placed[5], (Placed{9, 7, codeOfLetter('h'), true}));
    EXPECT_EQ(v.placed[1], (Placed{9, 11, codeOfLetter('o'), true}));

    std::vector<LayGroup> ten;
    for (int slot = 1; slot <= 10; ++slot) ten.push_back({slot, false, 8 + slot, 18});
    v = g.judge(ten, "strawberry");
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.wordscore, 70);
    for (int slot = 1; slot <= 10; ++slot) EXPECT_EQ(v.placed[slot].x, 3 + slot);
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

TEST(RulesCheckword, GapsAndLines) {
    Game g;
    g.firstword = true;
    EXPECT_FALSE(g.judge({{1, false, 2, 5}, {3, false, 4, 5}}, "c.t").valid);
    EXPECT_FALSE(g.judge({{1, false, 2, 5}, {2, false, 3, 6}}, "ca").valid);

    g.firstword = false;
    g.seat = 2;
    g.letter(3, 5, 'a');
    const Verdict v = g.judge({{1, false, 2, 5}, {3, false, 4, 5}}, "c.t");
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.word, "cat");
    EXPECT_TRUE(v.touch);
    EXPECT_FALSE(v.firstWord);
    EXPECT_EQ(v.wordscore, 15);  // seat 2 on red cells: 5 a letter
    EXPECT_EQ(v.placed[1], (Placed{2, 5, 2, true}));
}

TEST(RulesCheckword, ColourPointsForOwnAndOtherCells) {
    Game g;
    g.seat = 4;
    g.letter(12, 12, 'a');
    // Down column 12: c on yellow (seat 4, 10), a board letter on yellow (10), t on yellow (10).
    Verdict v = g.judge({{1, false, 12, 11}, {2, false, 12, 13}}, "ct");
    ASSERT_TRUE(v.valid);
    EXPECT_FALSE(v.across);
    EXPECT_EQ(v.wordscore, 30);
    g.seat = 2;  // the same move for seat 2 is worth 5 a letter
    v = g.judge({{1, false, 12, 11}, {2, false, 12, 13}}, "ct");
    EXPECT_EQ(v.wordscore, 15);
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

TEST(RulesCheckword, CrossWordsScoreTheirTileAgain) {
    Game g;
    g.letter(3, 4, 'q');
    g.letter(4, 4, 'a');
    g.letter(5, 4, 't');
    const Verdict v = g.judge({{3, false, 3, 5}, {4, false, 4, 5}}, "..it");
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.word, "it");
    // Main word 2 x 10; qi and at: board letter 10 plus own cell 10 each.
    EXPECT_EQ(v.wordscore, 60);
    EXPECT_EQ(v.lastword, "it");
}

TEST(RulesCheckword, BoardLettersBeforeAndAfterJoinTheWord) {
    Game g;
    g.seat = 3;
    for (int y = 1; y <= 4; ++y) g.letter(12, y, "bush"[y - 1]);
    std::vector<LayGroup> lay;
    for (int i = 0; i < 6; ++i) lay.push_back({i + 1, false, 12, 5 + i});
    Verdict v = g.judge(lay, "babies");
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.word, "bushbabies");
    EXPECT_EQ(v.wordscore, 95);  // nine blue cells for seat 3, one yellow

}

TEST(RulesCheckword, RealListRefusesFifteenLetters) {
    TDictn dict;
    Grid colours{};
    getboard(colours, 1, 2, 3, 4);
    Grid letters = makeGrid(kNoTile);
    const std::string word = "internationally";
    for (int x = 0; x < 5; ++x) letters[x][5] = codeOfLetter(word[x]);
    PlacedSet placed{};
    for (int slot = 1; slot <= 10; ++slot)
        placed[slot] = {4 + slot, 5, codeOfLetter(word[4 + slot]), false};
    EXPECT_FALSE(checkword({colours, letters, 1, false}, placed, dict).valid);

    // And the same state with "nation" accepted through the list object.
    Grid small = makeGrid(kNoTile);
    small[3][3] = codeOfLetter('n');
    PlacedSet p{};
    const std::string tail = "ation";
    for (int slot = 1; slot <= 5; ++slot) p[slot] = {3 + slot, 3, codeOfLetter(tail[slot - 1]), false};
    const Verdict v = checkword({colours, small, 1, false}, p, dict);
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.word, "nation");
}
