#include "rules/board.h"

#include <gtest/gtest.h>

#include <map>

using namespace zindle;

TEST(RulesBoard, ArrangementPinwheelCells) {
    Grid colours{};
    getboard(colours, 1, 2, 3, 4);
    EXPECT_EQ(colours[9][0], 1);   // a reaches one column past the middle
    EXPECT_EQ(colours[10][9], 3);  // c reaches down to the middle row
    EXPECT_EQ(colours[8][18], 2);
    EXPECT_EQ(colours[9][10], 4);
    EXPECT_EQ(colours[9][9], 0);
    EXPECT_EQ(colours[0][9], 2);
    EXPECT_EQ(colours[18][9], 3);
    EXPECT_EQ(colours[9][8], 1);
    EXPECT_EQ(colours[0][0], 1);
    EXPECT_EQ(colours[18][18], 4);
}

TEST(RulesBoard, EveryArrangementGivesFourQuartersOfNinety) {
    for (const Arrangement& arr : kArrangements) {
        Grid colours = makeGrid(-1);
        getboard(colours, arr);
        std::map<int, int> counts;
        for (int x = 0; x < kBoardSize; ++x)
            for (int y = 0; y < kBoardSize; ++y) ++counts[colours[x][y]];
        EXPECT_EQ(counts.size(), 5u);
        EXPECT_EQ(counts[0], 1);
        for (int seat = 1; seat <= 4; ++seat) EXPECT_EQ(counts[seat], 90) << "seat " << seat;
        // The quarter owners follow the arrangement's order a, b, c, d.
        EXPECT_EQ(colours[0][0], arr.a);
        EXPECT_EQ(colours[0][18], arr.b);
        EXPECT_EQ(colours[18][0], arr.c);
        EXPECT_EQ(colours[18][18], arr.d);
    }
}

TEST(RulesTiles, FlippedLetterFoldsTheAlphabet) {
    EXPECT_EQ(flippedletter(12), 13);
    EXPECT_EQ(flippedletter(13), 12);
    EXPECT_EQ(flippedletter(25), 0);
    EXPECT_EQ(flippedletter(0), 25);
    EXPECT_EQ(flippedletter(100), 0);
    EXPECT_EQ(flippedletter(-1), 0);
    for (int code = 0; code <= 24; ++code) EXPECT_EQ(flippedletter(flippedletter(code)), code);
}

TEST(RulesTiles, ConvertToLetter) {
    EXPECT_EQ(converttoletter(0), "a");
    EXPECT_EQ(converttoletter(1), "b");
    EXPECT_EQ(converttoletter(25), "z");
    EXPECT_EQ(converttoletter(100), "a");
    EXPECT_EQ(converttoletter(26), "a");
    EXPECT_EQ(converttoletter(-3), "a");
    EXPECT_EQ(codeOfLetter('q'), 16);
    EXPECT_EQ(codeOfLetter('Q'), 16);
    EXPECT_EQ(codeOfLetter('.'), kNoTile);
}
