// The seat session: every host message changes the model first and is then
// told once, in the listener's terms; what does not parse is neither.
#include "clientstate/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zindle {
namespace {

// Writes down what it is told, one line a call, and checks that the model
// already shows it when it is told.
class Recorder : public SessionListener {
public:
    explicit Recorder(const SeatSession& s) : session(s) {}
    const SeatSession& session;
    std::vector<std::string> told;

    const GameState& g() const { return session.state(); }
    void add(std::string line) { told.push_back(std::move(line)); }

    void loginAsked(const LoginAnswer& a) override { add("login " + std::to_string(a.seat)); }
    void chatLine(std::string_view text) override { add("chat " + std::string(text)); }
    void playerJoined(const PlayerNews& n) override {
        EXPECT_EQ(g().seatLabel(n.seat), isPlayer(n.seat) ? n.name : "");
        add("joined " + std::to_string(n.seat) + " " + n.name + (n.own ? " own" : ""));
    }
    void playerLeft(const PlayerNews& n) override {
        add("left " + std::to_string(n.seat) + " was " + n.previous);
    }
    void otherVersion(std::string_view name) override { add("version " + std::string(name)); }
    void ownVersionDiffers() override { add("own version"); }
    void tableFull() override { add("full"); }
    void settingsChanged() override { add("settings " + std::to_string(g().turnLength())); }
    void boardArranged() override { add("arranged"); }
    void gameStarted(const StartNews& n) override {
        add("started by " + n.starter + (n.ownStart ? " own" : ""));
    }
    void turnBegan(int seat) override {
        EXPECT_EQ(g().turnSeat(), seat);
        add("turn " + std::to_string(seat));
    }
    void turnEnded(int seat, bool timeUp) override {
        add((timeUp ? "time up " : "passed ") + std::to_string(seat));
    }
    void tileDealt(int slot) override {
        EXPECT_TRUE(g().rack()[slot].visible);
        add("dealt " + std::to_string(slot));
    }
    void cellShown(const Placement& p) override {
        EXPECT_EQ(g().letters()[p.x][p.y], p.code);
        add("cell " + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    void tilesRepositioned(const std::vector<Placement>& p) override {
        add("moved " + std::to_string(p.size()));
    }
    void wordLaid(const std::vector<Placement>& p) override {
        add("word " + std::to_string(p.size()));
    }
    void scored(const ScoreNews& n) override {
        EXPECT_EQ(g().scores()[n.seat], n.score);
        add("score " + std::to_string(n.seat) + " " + std::to_string(n.score));
    }
    void tilesExchanged(const TileNews& n) override { add("exchanged " + std::to_string(n.seat)); }
    void moveRefused(const std::vector<int>& slots) override {
        for (int slot : slots) EXPECT_TRUE(g().rack()[slot].visible);
        add("refused " + std::to_string(slots.size()));
    }
    void exchangeRefused(bool already) override {
        add(already ? "exchange: already" : "exchange: not enough");
    }
    void tilesCounted(int left) override { add("left " + std::to_string(left)); }
    void outOfTiles(int seat) override { add("no tiles " + std::to_string(seat)); }
    void watchingChanged(int seat, bool on) override {
        EXPECT_EQ(g().watching()[seat], on);
        add("watch " + std::to_string(seat) + (on ? " on" : " off"));
    }
    void gameEnded(const std::string& reason) override {
        EXPECT_EQ(g().reason(), reason);
        add("ended " + reason);
    }
    void winnersNamed(const std::vector<int>& seats) override {
        EXPECT_TRUE(g().gameOver());
        add("winners " + std::to_string(seats.size()));
    }
};

TEST(SeatSession, TellsEachChangeAfterTheModelHasIt) {
    SeatSession s;
    s.state().setLoginName("Ann");
    Recorder r(s);
    s.setListener(&r);
    EXPECT_EQ(s.receive("CMD_sendlogininfo+2"), "CMD_logininfo+2+2.1.0+Ann\xFF");
    for (const char* m : {"CMD_newplayerinfo+2+Ann",
                          "CMD_existingplayers+1+Bob",
                          "CMD_newplayerinfo+6+Eve",
                          "CMD_chat+Bob chats: hi|clRed",
                          "CMD_action+Bob says: gg|clRed",
                          "CMD_havewrongversion+Cy",
                          "CMD_wrongversion+",
                          "CMD_startgame+Bob+90+0+0+0+n+y+n",
                          "CMD_arrangeboard+2+3+4+1",
                          "CMD_atile+1+4",
                          "CMD_atile+2+0",
                          "CMD_tilecount+22",
                          "CMD_nextplayer+2",
                          "CMD_showboard+9+9+4",
                          "CMD_placeletter+9+10+0",
                          "CMD_postscore+22+2+0+30+30+2+30+word",
                          "CMD_nextplayer+1",
                          "CMD_pass+1",
                          "CMD_timeup+2",
                          "CMD_invalid+",
                          "CMD_already+",
                          "CMD_notenough+",
                          "CMD_newtiles+2+25+4+10",
                          "CMD_justwatching+4+1",
                          "CMD_notiles+3+",
                          "CMD_playerdisconnected+1+Bob",
                          "CMD_gamesettings+60+0+0+0+0+n+n",
                          "CMD_nomoretiles+",
                          "CMD_winner+2+3",
                          "CMD_full+"})
        EXPECT_EQ(s.receive(m), std::nullopt) << m;
    EXPECT_EQ(r.told, (std::vector<std::string>{"login 2",
                                                "joined 2 Ann own",
                                                "joined 1 Bob",
                                                "joined 6 Eve",
                                                "chat Bob chats: hi|clRed",
                                                "chat Bob says: gg|clRed",
                                                "version Cy",
                                                "own version",
                                                "started by Bob",
                                                "arranged",
                                                "dealt 1",
                                                "dealt 2",
                                                "left 76",
                                                "turn 2",
                                                "cell 9,9",
                                                "cell 9,10",
                                                "score 2 30",
                                                "turn 1",
                                                "passed 1",
                                                "time up 2",
                                                "refused 0",
                                                "exchange: already",
                                                "exchange: not enough",
                                                "exchanged 2",
                                                "watch 4 on",
                                                "no tiles 3",
                                                "left 1 was Bob",
                                                "settings 60",
                                                "ended No More tiles, Game Over!",
                                                "winners 2",
                                                "full"}));
}

TEST(SeatSession, AMalformedMessageIsNeitherTakenNorTold) {
    SeatSession s;
    Recorder r(s);
    s.setListener(&r);
    s.receive("CMD_sendlogininfo+1");
    r.told.clear();
    const GameState before = s.state();
    for (const char* m :
         {"CMD_newplayerinfo+10+X", "CMD_nextplayer+5", "CMD_atile+11+4", "CMD_showboard+19+0+4",
          "CMD_postscore+1+9+0+1+1+0+0+", "CMD_justwatching+5+1", "CMD_tilecount+-1", "CMD_pass+x",
          "CMD_notiles+0+", "CMD_arrangeboard+1+2+3", "CMD_nosuchthing+1", "", "CMD_newtiles+7+5"})
        EXPECT_EQ(s.receive(m), std::nullopt) << m;
    EXPECT_EQ(r.told, std::vector<std::string>{});
    EXPECT_EQ(s.state().names(), before.names());
    EXPECT_EQ(s.state().turnSeat(), before.turnSeat());
    EXPECT_EQ(s.state().letters(), before.letters());
    // Without a listener the model still follows.
    s.setListener(nullptr);
    s.receive("CMD_gametimeup+");
    EXPECT_EQ(s.state().reason(), "Game Time is Up, Game Over!");
}

TEST(SeatSession, WireTextAboutSeats) {
    EXPECT_EQ(goneNoticePrefix(3), "CMD_playerdisconnected+3+");
    EXPECT_EQ(watchMessage(2, true), "CMD_justwatch+2+1\xFF");
    EXPECT_EQ(watchMessage(4, false), "CMD_justwatch+4+2\xFF");
}

}  // namespace
}  // namespace zindle
