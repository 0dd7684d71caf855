#include "rules/bag.h"

#include <gtest/gtest.h>

#include <array>

using namespace zindle;

TEST(RulesBag, FullBagHoldsTheTableCounts) {
    Random r(4242);
    Bag b;
    b.createtileorder(r);
    std::array<int, kLetterCount> counts{};
    for (int pos = 1; pos <= kBagSize; ++pos) {
        ASSERT_TRUE(isLetterCode(b.bag[pos])) << pos;
        ++counts[b.bag[pos]];
    }
    EXPECT_EQ(counts, kTileCounts);
    EXPECT_EQ(counts[4], 13);  // e
    EXPECT_EQ(counts[25], 1);  // z
}

TEST(RulesBag, ShuffleFollowsTheGenerator) {
    // Seed 0: the first two draws of random(99) are 0 and 3, so the first two
    // a's go to positions 1 and 4.
    Random r(0);
    Bag b;
    b.createtileorder(r);
    EXPECT_EQ(b.bag[1], 0);
    EXPECT_EQ(b.bag[4], 0);

    Random again(0);
    Bag b2;
    b2.createtileorder(again);
    EXPECT_EQ(b.bag, b2.bag);
    EXPECT_EQ(r.state(), again.state());
}

TEST(RulesBag, DrawsStopAfterNinetyEight) {
    Random r(99);
    Bag b;
    b.createtileorder(r);
    Rack rack = emptyRack();
    for (int i = 1; i <= kMaxDrawn; ++i) {
        auto code = b.gettile(rack, 1 + (i % kRackSize));
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, b.bag[i]);
        EXPECT_EQ(rack[1 + (i % kRackSize)], *code);
    }
    EXPECT_EQ(b.bagpos, 98);
    EXPECT_EQ(b.tilesLeft(), 0);
    const Rack before = rack;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(b.gettile(rack, 3).has_value());
        EXPECT_EQ(b.bagpos, 98);
    }
    EXPECT_EQ(rack, before);  // position 99 is never drawn
}

TEST(RulesBag, DealToTwoSeats) {
    Random r(1);
    Bag b;
    b.createtileorder(r);
    std::array<Rack, 2> racks{emptyRack(), emptyRack()};
    for (Rack& rack : racks)
        for (int slot = 1; slot <= kRackSize; ++slot) b.gettile(rack, slot);
    EXPECT_EQ(b.bagpos, 20);
    EXPECT_EQ(racks[1][1], b.bag[11]);
    EXPECT_EQ(racks[0][10], b.bag[10]);
    EXPECT_EQ(racks[0][0], kNoTile);  // slot 0 is not a slot
}

TEST(RulesBag, EmptyPositionYieldsLetterA) {
    Bag b;
    b.bag.fill(kNoTile);
    auto code = b.gettile();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(b.bag[1], 0);
}
