// A whole refereed game with the coach following two seats: a beginner's
// turns leave points on the table, the greedy player's none, and the review
// window shows one row a turn and the board of the row clicked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "coach/hintthread.h"
#include "coach/review.h"
#include "engine/arena.h"
#include "engine/seat.h"
#include "rules/mydict.h"

using namespace zindle;
using namespace zindle::engine;
using zindle::coach::GameRecord;
using zindle::coach::TurnRecord;

namespace {

struct Played {
    TurnRecord::Kind kind;
    std::vector<Placement> laid;
    int32_t points;
};

// Plays a whole game, feeding each seat's record as its window would.
std::array<std::vector<Played>, 3> playRecorded(std::array<GameRecord, 3>& records,
                                                bool doubletiles) {
    TDictn dict;
    const WordLookup lookup = [&dict](std::string_view w) { return dict.lookup(w); };
    // With double tiles, Zindle squares too: their luck is taken out again.
    Table table({2, doubletiles, false, doubletiles ? 12 : 0, 0}, 11, lookup);
    Random random(5);
    std::array<std::vector<Played>, 3> played;
    const std::array<Level, 3> levels{Level::Normal, Level::Easy, Level::Normal};
    for (int guard = 0; guard < 400 && !table.over(); ++guard) {
        const int seat = table.curplayer();
        records[seat].onMyTurnStarts(table.state().colours, table.state().letters, table.rack(seat),
                                     seat, doubletiles);
        const Grid before = table.state().letters;
        const int32_t score = table.score(seat);
        const Decision d = decide(sharedLexicon(), table.position(), table.rack(seat),
                                  situationOf(table), levels[seat], random);
        if (d.kind == Decision::Play && table.play(d.move)) {
            std::vector<Placement> laid;
            for (int x = 0; x < kBoardSize; ++x)
                for (int y = 0; y < kBoardSize; ++y)
                    if (table.state().letters[x][y] != before[x][y])
                        laid.push_back({x, y, table.state().letters[x][y]});
            const int32_t got = table.score(seat) - score, base = d.move.score;
            const int effect = got == base        ? kNoEffect
                               : got == base + 20 ? kPlusTwenty
                               : got == base - 20 ? kMinusTwenty
                                                  : kDouble;
            records[seat].onMyMovePlayed(laid, got, effect);
            played[seat].push_back({TurnRecord::Move, laid, base});
        } else if (d.kind == Decision::Exchange && table.exchange()) {
            records[seat].onMyNewTiles();
            played[seat].push_back({TurnRecord::NewTiles, {}, 0});
        } else {
            table.pass();
            records[seat].onMyPass();
            played[seat].push_back({TurnRecord::Pass, {}, 0});
        }
    }
    EXPECT_TRUE(table.over());
    return played;
}

}  // namespace

TEST(Coach, RecordAndReviewFollowAWholeGame) {
    for (const bool doubletiles : {false, true}) {
        std::array<GameRecord, 3> records;
        const auto played = playRecorded(records, doubletiles);
        for (int seat = 1; seat <= 2; ++seat) {
            const std::vector<TurnRecord>& turns = records[seat].turns();
            ASSERT_EQ(turns.size(), played[seat].size());
            ASSERT_GT(turns.size(), 5u);
            for (size_t i = 0; i < turns.size(); ++i) {
                const TurnRecord& t = turns[i];
                EXPECT_EQ(t.number, static_cast<int>(i) + 1);
                EXPECT_EQ(t.kind, played[seat][i].kind);
                EXPECT_EQ(t.points, played[seat][i].points);
                if (t.kind == TurnRecord::Move) {
                    EXPECT_FALSE(t.word.empty());
                    EXPECT_GE(t.best.points, t.points) << "turn " << t.number;
                }
                // The greedy player always finds the coach's best (Zindle
                // squares aside, which it counts at their expectation).
                if (seat == 2 && t.kind == TurnRecord::Move && !doubletiles) {
                    EXPECT_EQ(t.left(), 0) << "turn " << t.number;
                }
            }
        }
        EXPECT_GT(records[1].pointsLeft(), 0);

        // The review of the beginner's game.
        coach::GameReview review(records[1]);
        review.resize(1000, 600);
        review.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&review));
        QTableWidget* table = review.table();
        ASSERT_EQ(table->rowCount(), static_cast<int>(played[1].size()));
        for (int row = 0; row < table->rowCount(); ++row) {
            EXPECT_EQ(table->item(row, 2)->text().toInt(), played[1][row].points);
            EXPECT_EQ(table->item(row, 4)->text().toInt(), records[1].turns()[row].best.points);
        }
        EXPECT_TRUE(review.total()->text().contains(QString::number(records[1].pointsLeft())));
        const int row = table->rowCount() / 2;
        table->scrollToItem(table->item(row, 1));
        const QRect r = table->visualItemRect(table->item(row, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_NE(review.board()->turn(), nullptr);
        EXPECT_EQ(review.board()->turn()->number, row + 1);
        if (!doubletiles && !qEnvironmentVariableIsEmpty("ZINDLE_REVIEW_PNG"))
            review.grab().save(qEnvironmentVariable("ZINDLE_REVIEW_PNG"));
    }
}

// SAITHA played where SAITHE was best: the two share six cells and differ in the last.
TEST(Coach, ReviewBoardShowsBothMovesWhereTheyShareACell) {
    auto turn = [](char bestLast) {
        TurnRecord t;
        t.kind = TurnRecord::Move;
        t.colours = makeGrid(1);
        t.letters = makeGrid(kNoTile);
        const std::string played = "saitha", best = std::string("saith") + bestLast;
        t.best.found = true;
        t.best.move.count = static_cast<int8_t>(best.size());
        for (int i = 0; i < 6; ++i) {
            t.laid.push_back({4 + i, 9, played[i] - 'a'});
            t.best.move.tiles[i] = {static_cast<int8_t>(4 + i), 9,
                                    static_cast<int8_t>(best[i] - 'a'), static_cast<int8_t>(i + 1),
                                    false};
        }
        return t;
    };
    auto render = [](const TurnRecord& t) {
        coach::ReviewBoard board;
        board.resize(19 * 28, 19 * 28);
        board.showTurn(&t);
        return board.grab().toImage();
    };
    auto cellAt = [](const QImage& image, int x, int y) {
        return image.copy(x * 28, y * 28, 28, 28);
    };
    const TurnRecord same = turn('a'), e = turn('e'), x = turn('x');
    const QImage sameImage = render(same), eImage = render(e), xImage = render(x);
    // Where the letters agree, nothing is added; where they differ, the best letter shows,
    // and it is that letter: E and X look different.
    EXPECT_EQ(cellAt(sameImage, 8, 9), cellAt(eImage, 8, 9));
    EXPECT_NE(cellAt(sameImage, 9, 9), cellAt(eImage, 9, 9));
    EXPECT_NE(cellAt(eImage, 9, 9), cellAt(xImage, 9, 9));
    // The letter played stays readable beside it: the cell's upper left is the played tile.
    EXPECT_EQ(cellAt(sameImage, 9, 9).copy(0, 0, 12, 12), cellAt(eImage, 9, 9).copy(0, 0, 12, 12));
}

TEST(Coach, HintOnAnEmptyBoardAndARackWithoutWords) {
    Grid colours{};
    getboard(colours, 1, 2, 3, 4);
    const Grid letters = makeGrid(kNoTile);
    Rack rack = emptyRack();
    const std::string tiles = "seatsroned";
    for (int slot = 1; slot <= kRackSize; ++slot) rack[slot] = codeOfLetter(tiles[slot - 1]);
    const coach::Suggestion first = coach::Coach::hint(colours, letters, rack, 1, false);
    ASSERT_TRUE(first.found);
    EXPECT_GT(first.move.count, 4);  // a long first word earns the 20
    EXPECT_EQ(first.points, 5 * first.move.count + 20);
    EXPECT_EQ(static_cast<int>(first.word.size()), first.move.count);
    for (int slot = 1; slot <= kRackSize; ++slot)
        rack[slot] = slot <= 3 ? codeOfLetter('q') : kNoTile;
    EXPECT_FALSE(coach::Coach::hint(colours, letters, rack, 1, false).found);
    EXPECT_FALSE(
        coach::Coach::hint(colours, letters, rack, 0, false).found);  // a watcher gets none
}

// The window lays a hint as a preview through its own model; asked again
// with the preview on the board, the coach reads those tiles as still on the
// rack and gives the same move, and Done sends it.
TEST(Coach, HintLaidAsAPreviewOnTheWindowsModel) {
    SeatSession session;
    GameState& g = session.state();
    g.setLoginName("Ann");
    session.receive("CMD_sendlogininfo+1");
    session.receive("CMD_startgame+Ann+90+0+0+0+n+n+n");
    const std::string tiles = "seatsroned";
    for (int slot = 1; slot <= kRackSize; ++slot)
        session.receive("CMD_atile+" + std::to_string(slot) + "+" +
                        std::to_string(codeOfLetter(tiles[slot - 1])));
    session.receive("CMD_nextplayer+1");
    ASSERT_TRUE(g.ownTurn());
    const coach::Suggestion hint = coach::Coach::hint(g);
    ASSERT_TRUE(hint.found);
    for (int i = 0; i < hint.move.count; ++i) {
        const TileLay& t = hint.move.tiles[i];
        if (g.rack()[t.slot].back != t.flipped) g.flippit(t.slot);
        g.rackClick(t.slot, false);
        ASSERT_EQ(g.boardClick(t.x, t.y, true), GameState::BoardClick::Laid);
    }
    const coach::Suggestion again = coach::Coach::hint(g);
    ASSERT_TRUE(again.found);
    EXPECT_EQ(again.points, hint.points);
    EXPECT_EQ(again.word, hint.word);
    EXPECT_TRUE(g.doneMessage().has_value());
}

// Hints worked out on the hint thread: ask returns at once and the event
// loop runs on; the answers come back in the order asked, with the asker's
// serial, and are the hints the window's own thread would have found. A
// hint thread destroyed mid-search never answers.
TEST(Coach, TheHintThreadAnswersInOrderWhileTheLoopRunsOn) {
    TDictn dict;
    const WordLookup lookup = [&dict](std::string_view w) { return dict.lookup(w); };
    std::vector<coach::HintQuestion> questions;
    std::vector<coach::Suggestion> expected;
    for (uint32_t seed = 1; questions.size() < 3; ++seed) {
        Table t({4, true, false, 12, 0}, seed, lookup);
        Random r(seed);
        playRandomly(t, sharedLexicon(), 30, r);
        if (t.over()) continue;
        const Position p = t.position();
        questions.push_back({p.colours, p.letters, t.rack(t.curplayer()), t.curplayer(), true});
        expected.push_back(coach::Coach::hint(questions.back()));
    }
    std::vector<std::pair<std::uint64_t, coach::Suggestion>> got;
    {
        coach::HintThread hints;
        hints.answered = [&](std::uint64_t serial, const coach::Suggestion& s) {
            got.emplace_back(serial, s);
        };
        for (std::size_t i = 0; i < questions.size(); ++i) hints.ask(questions[i], 10 + i);
        EXPECT_TRUE(hints.busy());
        EXPECT_TRUE(got.empty());  // nothing is worked out on the asker's thread
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(1);
        QElapsedTimer waited;
        waited.start();
        while (hints.busy() && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_FALSE(hints.busy());
        EXPECT_GT(ticks, 0);
        hints.ask(questions[0], 99);  // dropped with the thread
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), questions.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, 10 + i);
        EXPECT_EQ(got[i].second.found, expected[i].found);
        EXPECT_EQ(got[i].second.points, expected[i].points);
        EXPECT_EQ(got[i].second.word, expected[i].word);
    }
}
