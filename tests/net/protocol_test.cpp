#include "net/protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace proto;

namespace {
const std::string T(1, kTerminator);
using Strings = std::vector<std::string>;
}  // namespace

TEST(ProtocolBuild, FieldsJoinedByPlusAndTerminated) {
    EXPECT_EQ(message(cmd::full, {""}), "CMD_full+" + T);
    EXPECT_EQ(message(cmd::zn), "CMD_zn" + T);
    EXPECT_EQ(message(cmd::atile, {3, 17}), "CMD_atile+3+17" + T);
    EXPECT_EQ(message(cmd::postscore, {12, 2, 0, -20, 35, 4, 10, "cat", ""}),
              "CMD_postscore+12+2+0+-20+35+4+10+cat+" + T);
    EXPECT_EQ(message(cmd::newplayerinfo, {5, "a+b"}), "CMD_newplayerinfo+5+a+b" + T);
}

TEST(ProtocolBuild, ListsNeverEndInPlusAndAnEmptyListIsABareName) {
    Builder b(cmd::newword);
    b << 9 << 9 << 3;
    b.add(10).add(9).add(4);
    EXPECT_EQ(b.str(), "CMD_newword+9+9+3+10+9+4" + T);
    EXPECT_EQ(Builder(cmd::winner).str(), "CMD_winner" + T);
}

TEST(ProtocolFramer, CutsAtEveryTerminatorAndKeepsTheTail) {
    Framer f;
    EXPECT_EQ(f.feed("CMD_pass+1" + T + "CMD_pass+2" + T), (Strings{"CMD_pass+1", "CMD_pass+2"}));
    EXPECT_EQ(f.feed("CMD_chat+1+he"), Strings{});
    EXPECT_EQ(f.tail(), "CMD_chat+1+he");
    EXPECT_EQ(f.feed("llo|clWhite" + T + "CMD_p"), Strings{"CMD_chat+1+hello|clWhite"});
    EXPECT_EQ(f.feed("ass+3" + T), Strings{"CMD_pass+3"});
    EXPECT_EQ(f.tail(), "");
}

TEST(ProtocolFramer, ByteByByteGivesTheSameEntries) {
    const std::string stream =
        "CMD_atile+1+4" + T + T + "CMD_zn" + T + "CMD_tilecount+40" + T + "CMD_ne";
    Framer whole, bytes;
    Strings a = whole.feed(stream), b;
    for (char c : stream) {
        Strings part = bytes.feed(std::string(1, c));
        b.insert(b.end(), part.begin(), part.end());
    }
    EXPECT_EQ(a, b);
    // Two terminators in a row give an empty entry; dispatch drops it.
    EXPECT_EQ(a, (Strings{"CMD_atile+1+4", "", "CMD_zn", "CMD_tilecount+40"}));
    EXPECT_EQ(bytes.tail(), "CMD_ne");
}

TEST(ProtocolFramer, OversizedTailIsDroppedWithTheRestOfItsMessage) {
    Framer f;
    EXPECT_TRUE(f.feed(std::string(kMaxTail, 'a')).empty());
    EXPECT_EQ(f.tail().size(), kMaxTail);  // at the limit it is still kept
    EXPECT_TRUE(f.feed("b").empty());
    EXPECT_EQ(f.tail(), "");
    // The end of the oversized message is not taken for a message of its own.
    EXPECT_TRUE(f.feed(std::string(1000, 'c')).empty());
    EXPECT_EQ(f.feed("CMD_tail_end" + T + "CMD_pass+1" + T), Strings{"CMD_pass+1"});
    EXPECT_EQ(f.feed("CMD_pass+2" + T), Strings{"CMD_pass+2"});
}

TEST(ProtocolFramer, LongCompleteMessageInOneReadIsKept) {
    Framer f;
    std::string chat = "CMD_chat+1+" + std::string(100000, 'x');
    EXPECT_EQ(f.feed(chat + T), Strings{chat});
}

TEST(ProtocolInbox, OneFifoWithATailPerConnection) {
    Inbox in;
    in.receive(1, "CMD_chat+1+from one");
    in.receive(2, "CMD_pass+2" + T + "CMD_chat+2+from");
    in.receive(1, T);
    in.receive(2, " two" + T);
    ASSERT_EQ(in.size(), 3u);
    auto a = in.take(), b = in.take(), c = in.take();
    EXPECT_EQ(a->from, 2u);
    EXPECT_EQ(a->text, "CMD_pass+2");
    EXPECT_EQ(b->from, 1u);
    EXPECT_EQ(b->text, "CMD_chat+1+from one");
    EXPECT_EQ(c->from, 2u);
    EXPECT_EQ(c->text, "CMD_chat+2+from two");
    EXPECT_FALSE(in.take());
}

TEST(ProtocolInbox, ForgettingAConnection) {
    Inbox in;
    in.receive(7, "CMD_pass+1" + T + "CMD_half");
    in.receive(8, "CMD_pass+2" + T);
    in.forget(7);  // its half message must not glue onto a new connection's first
    in.receive(7, "CMD_pass+3" + T);
    ASSERT_EQ(in.size(), 3u);
    EXPECT_EQ(in.take()->text, "CMD_pass+1");
    EXPECT_EQ(in.take()->text, "CMD_pass+2");
    EXPECT_EQ(in.take()->text, "CMD_pass+3");

    in.receive(7, "CMD_pass+1" + T);
    in.receive(8, "CMD_pass+2" + T);
    in.receive(7, "CMD_pass+3" + T);
    in.forget(7, true);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in.take()->from, 8u);
}

TEST(ProtocolInbox, EmptyEntriesAreDroppedOnArrivalAndCostNothing) {
    Inbox in;
    EXPECT_TRUE(in.receive(1, std::string(1 << 20, kTerminator)));
    EXPECT_TRUE(in.receive(1, "CMD_pass+1" + T + T + T + "CMD_pass+2" + T));
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in.queuedFrom(1), 2u);
    EXPECT_EQ(in.take()->text, "CMD_pass+1");
    EXPECT_EQ(in.take()->text, "CMD_pass+2");
    EXPECT_EQ(in.queuedFrom(1), 0u);
}

TEST(ProtocolInbox, WhatComesPastTheShareWaitsAsideAndNothingIsLost) {
    const std::string pass = "CMD_pass+1" + T;  // 10 bytes queued
    struct Case {
        const char* what;
        std::size_t maxEntries, maxBytes;
        int sent;   // messages in one read
        bool room;  // still below the share afterwards
        std::size_t queued;
    };
    const Case cases[] = {
        {"below the entry cap", 4, 1000, 3, true, 3},
        {"at the entry cap", 4, 1000, 4, false, 4},
        {"one entry over", 4, 1000, 5, false, 4},
        {"one byte over", 100, 29, 3, false, 2},
    };
    for (const Case& c : cases) {
        Inbox in(c.maxEntries, c.maxBytes);
        std::string read;
        for (int i = 0; i < c.sent; ++i) read += pass;
        EXPECT_EQ(in.receive(3, read), c.room) << c.what;
        EXPECT_EQ(in.hasRoom(3), c.room) << c.what;
        EXPECT_TRUE(in.receive(4, pass)) << c.what;  // others keep their own share
        EXPECT_EQ(in.queuedFrom(3), c.queued) << c.what;
        EXPECT_EQ(in.size(), c.queued + 1) << c.what;
        EXPECT_FALSE(in.over(3)) << c.what;
    }

    // Entries set aside move up in order as the queue drains, and the
    // connections take turns.
    Inbox in(2, 1000);
    std::string burst;
    for (int i = 1; i <= 5; ++i) burst += "CMD_pass+" + std::to_string(i) + T;
    EXPECT_FALSE(in.receive(3, burst));
    EXPECT_TRUE(in.receive(4, "CMD_chat+4+x" + T));
    Strings order;
    while (auto e = in.take()) order.push_back(std::to_string(e->from) + ":" + e->text);
    EXPECT_EQ(order, (Strings{"3:CMD_pass+1", "4:CMD_chat+4+x", "3:CMD_pass+2", "3:CMD_pass+3",
                              "3:CMD_pass+4", "3:CMD_pass+5"}));
    EXPECT_TRUE(in.hasRoom(3));

    // An entry longer than the whole byte share still passes alone.
    Inbox small(4, 8);
    EXPECT_FALSE(small.receive(5, pass + pass));
    EXPECT_EQ(small.take()->text, "CMD_pass+1");
    EXPECT_EQ(small.take()->text, "CMD_pass+1");

    // A connection that is read on regardless goes over and is refused until
    // forgotten.
    Inbox flooded(2, 1000);
    const std::string big = std::string(1000, 'x') + T;
    bool over = false;
    for (int i = 0; i < 200 && !over; ++i) {
        flooded.receive(6, big);
        over = flooded.over(6);
    }
    ASSERT_TRUE(over);
    EXPECT_EQ(flooded.queuedFrom(6), 1u);
    EXPECT_FALSE(flooded.receive(6, pass));
    flooded.forget(6, true);
    EXPECT_TRUE(flooded.empty());
    EXPECT_TRUE(flooded.receive(6, pass));
}

TEST(ProtocolDispatch, ExactCaseSensitiveNamesAndDroppedEntries) {
    Strings seen;
    DispatchTable<> table;
    table.on(cmd::pass, [&](std::string_view f) { seen.push_back("pass:" + std::string(f)); })
        .on(cmd::zn, [&](std::string_view f) { seen.push_back("zn:" + std::string(f)); })
        .on(cmd::chat, [&](std::string_view f) { seen.push_back("chat:" + std::string(f)); });

    EXPECT_TRUE(table.dispatch("CMD_pass+1"));
    EXPECT_TRUE(table.dispatch("CMD_chat+2+a+b|clRed"));
    EXPECT_TRUE(table.dispatch("CMD_zn+"));
    EXPECT_FALSE(table.dispatch("CMD_zn"));      // bare name
    EXPECT_FALSE(table.dispatch(""));            // empty entry
    EXPECT_FALSE(table.dispatch("cmd_pass+1"));  // case matters
    EXPECT_FALSE(table.dispatch("CMD_pass +1"));
    EXPECT_FALSE(table.dispatch("CMD_passx+1"));
    EXPECT_FALSE(table.dispatch("+CMD_pass"));  // empty command
    EXPECT_EQ(seen, (Strings{"pass:1", "chat:2+a+b|clRed", "zn:"}));
}

TEST(ProtocolDispatch, ExtraArgumentsReachTheHandler) {
    DispatchTable<ConnId, int&> table;
    ConnId gotFrom = 0;
    table.on(cmd::done, [&](std::string_view, ConnId from, int& counter) {
        gotFrom = from;
        ++counter;
    });
    int counter = 0;
    EXPECT_TRUE(table.dispatch("CMD_done+1+1+n+9+9", 42, counter));
    EXPECT_EQ(gotFrom, 42u);
    EXPECT_EQ(counter, 1);
    EXPECT_TRUE(table.handles("CMD_done"));
    EXPECT_FALSE(table.handles("CMD_don"));
}

TEST(ProtocolFields, AFieldIsReadUpToTheNextPlus) {
    // Without its closing empty field the target seat reads as empty text.
    FieldReader noClose("1+3");
    EXPECT_EQ(noClose.number(), 1);
    EXPECT_EQ(noClose.number(), std::nullopt);
    EXPECT_EQ(noClose.rest(), "3");

    FieldReader kick("1+3+");
    EXPECT_EQ(kick.number(), 1);
    EXPECT_EQ(kick.number(), 3);
    EXPECT_EQ(kick.rest(), "");

    // The partners flag of a start without its empty field reads as "no".
    FieldReader start("Bob+60+3+0+0+y+y");
    EXPECT_EQ(start.field(), "Bob");
    for (int v : {60, 3, 0, 0}) EXPECT_EQ(start.number(), v);
    EXPECT_TRUE(start.flag());
    EXPECT_FALSE(start.flag());

    // "The rest" fields keep their "+".
    FieldReader login("2+2.1.0+Al+Bo");
    EXPECT_EQ(login.number(), 2);
    EXPECT_EQ(login.field(), "2.1.0");
    EXPECT_EQ(login.rest(), "Al+Bo");

    EXPECT_EQ(FieldReader("7").restNumber(), 7);
}

TEST(ProtocolFields, NumbersAreStrictDecimal) {
    EXPECT_EQ(parseNumber("0"), 0);
    EXPECT_EQ(parseNumber("-20"), -20);
    EXPECT_EQ(parseNumber("2147483647"), 2147483647);
    EXPECT_EQ(parseNumber("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "-", "+5", " 5", "5 ", "12a", "0x10", "2147483648", "--1", "1-"})
        EXPECT_EQ(parseNumber(bad), std::nullopt) << bad;
}

TEST(ProtocolList, GroupsAreReadUntilOnlyTheMarkerIsLeft) {
    // CMD_done: seat, then groups of slot, flipped, x, y.
    FieldReader done("2+3+n+9+9+10+y+10+9");
    ASSERT_EQ(done.number(), 2);
    ListReader list(done.rest());
    std::vector<std::string> groups;
    while (list.more()) {
        auto slot = list.number();
        bool flipped = list.flag();
        auto x = list.number(), y = list.number();
        ASSERT_TRUE(slot && x && y);
        groups.push_back(std::to_string(*slot) + (flipped ? "y" : "n") + std::to_string(*x) + "," +
                         std::to_string(*y));
    }
    EXPECT_EQ(groups, (Strings{"3n9,9", "10y10,9"}));

    EXPECT_EQ(numberGroups("9+9+3+10+9+4", 3),
              (std::vector<std::vector<int>>{{9, 9, 3}, {10, 9, 4}}));
    EXPECT_EQ(numberGroups("5", 1), (std::vector<std::vector<int>>{{5}}));
}

TEST(ProtocolList, AHandlerStopsAtTheFirstBadFieldKeepingWhatItDid) {
    EXPECT_EQ(numberGroups("9+9+3+10+x+4", 3), std::nullopt);
    EXPECT_EQ(numberGroups("9+9+3+10", 3), std::nullopt);  // incomplete last group
    EXPECT_EQ(numberGroups("9+9+3+", 3), std::nullopt);    // lists never end in "+"
    EXPECT_EQ(numberGroups("", 3), std::nullopt);

    // Groups applied before the bad one stay applied.
    std::vector<int> placed;
    ListReader r("1+2+x+4");
    while (r.more()) {
        auto v = r.number();
        if (!v) break;
        placed.push_back(*v);
    }
    EXPECT_EQ(placed, (std::vector<int>{1, 2}));
}

TEST(ProtocolList, MalformedTextsStillEnd) {
    // A reader that ignores failures must still come to the end.
    for (std::string text : {"", "+", "++", "@", "+@", "a+@+b", "@@", "1+2+"}) {
        ListReader r(text);
        int guard = 0;
        while (r.more() && guard < 100) {
            r.field();
            ++guard;
        }
        EXPECT_LT(guard, 100) << text;
    }
}

TEST(ProtocolEndToEnd, BuiltMessagesCutAndDispatchBackToTheirFields) {
    Inbox in;
    std::string wire = message(cmd::kickhim, {1, 3, ""}) + message(cmd::zn) + T +
                       message(cmd::newplayerinfo, {2, "Sue+Ann"});
    // Any cut of the byte stream gives the same messages.
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        in.receive(5, wire.substr(0, cut));
        in.receive(5, wire.substr(cut));
        Strings got;
        DispatchTable<> t;
        t.on(cmd::kickhim, [&](std::string_view f) {
             FieldReader r(f);
             auto from = r.number(), target = r.number();
             if (from && target)
                 got.push_back("kick " + std::to_string(*from) + ">" + std::to_string(*target));
         }).on(cmd::newplayerinfo, [&](std::string_view f) {
            FieldReader r(f);
            if (auto seat = r.number())
                got.push_back(std::to_string(*seat) + ":" + std::string(r.rest()));
        });
        while (auto e = in.take()) t.dispatch(e->text);
        EXPECT_EQ(got, (Strings{"kick 1>3", "2:Sue+Ann"})) << "cut at " << cut;
    }
}
