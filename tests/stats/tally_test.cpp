// The tally without windows: counting whole sequences of games, the grid text file, and the
// tally file on disk, including saves that fail or are killed part-way.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "stats/korvostrgrid.h"
#include "stats/lzrw1.h"
#include "stats/tallyfile.h"
#include "stats/tallymodel.h"
#include "tallyrows.h"

namespace fs = std::filesystem;
using zindle::EGridError;
using zindle::TallyFile;
using zindle::TallyModel;
using zindle::TStringGrid;

namespace {

struct Step {
    enum Kind { Follow, Drop, Game, Restart, Load } kind;
    std::vector<std::string> names;  // Follow/Drop: one name; Game: the other seated players
    std::string arg;                 // Game: the winner; Load: the grid text
};
Step follow(std::string n) {
    return {Step::Follow, {std::move(n)}, {}};
}
Step drop(std::string n) {
    return {Step::Drop, {std::move(n)}, {}};
}
Step game(std::vector<std::string> in, std::string w) {
    return {Step::Game, std::move(in), std::move(w)};
}
Step restart() {
    return {Step::Restart, {}, {}};
}
Step load(std::string text) {
    return {Step::Load, {}, std::move(text)};
}

struct GameCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> rows;
};

void run(TallyModel& m, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        switch (s.kind) {
            case Step::Follow:
                m.follow(s.names[0]);
                break;
            case Step::Drop:
                m.drop(m.find(s.names[0]));
                break;
            case Step::Game:
                m.addgame(s.names, s.arg);
                break;
            case Step::Restart: {
                // What a new run sees: the saved text, loaded, session columns cleared.
                TallyModel next;
                next.load(m.text());
                next.startSession();
                m = next;
                break;
            }
            case Step::Load:
                m.load(s.arg);
                break;
        }
    }
}

const std::string Mine(TallyModel::Mine);

TEST(TallyCounting, SequencesOfGames) {
    const std::vector<GameCase> cases = {
        {"own win against a followed opponent",
         {follow("Ann"), game({"Ann"}, Mine)},
         {"0 1 1 0 0 0 0 0 0", "Ann 1 0 1 0 1 0 1 0"}},
        {"the opponent wins",
         {follow("Ann"), game({"Ann"}, "Ann")},
         {"0 1 0 0 0 0 0 0 0", "Ann 1 1 0 0 1 1 0 0"}},
        {"a third player wins",
         {follow("Ann"), game({"Ann", "Bob"}, "Bob")},
         {"0 1 0 0 0 0 0 0 0", "Ann 1 0 0 1 1 0 0 1"}},
        {"no followed opponent still counts the game and the win",
         {game({"Bob"}, Mine), game({"Bob", "Cy"}, "Cy")},
         {"0 2 1 0 0 0 0 0 0"}},
        {"a followed winner who did not sit in the game is not touched",
         {follow("Ann"), game({"Bob"}, "Ann")},
         {"0 1 0 0 0 0 0 0 0", "Ann 0 0 0 0 0 0 0 0"}},
        {"every followed player of the game counts, in list order",
         {follow("Ann"), follow("Bob"), game({"Bob", "Ann", "Cy"}, "Bob")},
         {"0 1 0 0 0 0 0 0 0", "Ann 1 0 0 1 1 0 0 1", "Bob 1 1 0 0 1 1 0 0"}},
        {"dropping the first of several moves the rest up",
         {follow("Ann"), follow("Bob"), follow("Cy"), game({"Ann", "Bob", "Cy"}, "Bob"),
          drop("Ann"), game({"Cy"}, Mine)},
         {"0 2 1 0 0 0 0 0 0", "Bob 1 1 0 0 1 1 0 0", "Cy 2 0 1 1 2 0 1 1"}},
        {"dropping the only opponent leaves row 0",
         {follow("Ann"), game({"Ann"}, Mine), drop("Ann")},
         {"0 1 1 0 0 0 0 0 0"}},
        {"a restart zeroes the session columns only",
         {follow("Ann"), game({"Ann"}, "Ann"), game({"Ann"}, Mine), restart(), game({"Ann"}, Mine)},
         {"0 3 2 0 0 0 0 0 0", "Ann 3 1 2 0 1 0 1 0"}},
        {"lists ignore letter case, the winner is compared exactly",
         {follow("Ann"), follow("ANN"), game({"aNN"}, "aNN")},
         {"0 1 0 0 0 0 0 0 0", "Ann 1 0 0 1 1 0 0 1"}},
        {"letter case of Windows-1252 letters",
         {follow("Zo\xEB"), game({"ZO\xCB"}, Mine)},
         {"0 1 1 0 0 0 0 0 0", "Zo\xEB 1 0 1 0 1 0 1 0"}},
        {"two players of one name count their row once",
         {follow("Ann"), game({"Ann", "ann"}, Mine)},
         {"0 1 1 0 0 0 0 0 0", "Ann 1 0 1 0 1 0 1 0"}},
        {"empty counts from an old file start at 0",
         {load("9\r\n2\r\n0\r\nAnn\r\n3\r\n\r\n1\r\n\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n0\r\n"
               "\r\n0\r\n\r\n"),
          game({"Ann"}, "Ann")},
         {"0 4 1 0 0 0 0 0 0", "Ann 1 1 0 0 1 1 0 0"}},
        {"names with line breaks are never followed",
         {follow("Ann\r\nBob"), follow("")},
         {"0 0 0 0 0 0 0 0 0"}},
    };
    for (const GameCase& c : cases) {
        SCOPED_TRACE(c.name);
        TallyModel m;
        run(m, c.steps);
        EXPECT_EQ(rowsOf(m), c.rows);
    }
}

TEST(TallyCounting, ResetLeavesOneRowOfZeros) {
    TallyModel m;
    run(m, {follow("Ann"), follow("Bob"), game({"Ann", "Bob"}, Mine)});
    m.reset();
    EXPECT_EQ(rowsOf(m), std::vector<std::string>{"0 0 0 0 0 0 0 0 0"});
    EXPECT_EQ(m.find("Ann"), -1);
}

TEST(TallyCounting, NeverFollowsMoreThanALoadAccepts) {
    TallyModel m;
    for (int i = 0; i <= TallyModel::MaxRows; ++i) m.follow(std::to_string(i) + "P");
    EXPECT_EQ(m.rowCount(), TallyModel::MaxRows + 1);
    TallyModel back;
    EXPECT_NO_THROW(back.load(m.text()));
    EXPECT_EQ(back.rowCount(), m.rowCount());
}

// The layout of a tally with Ann, who won the one game played.
const std::string AnnText =
    "9\r\n2\r\n0\r\nAnn\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n1\r\n0\r\n0\r\n"
    "0\r\n0\r\n";

TEST(GridText, LayoutColumnByColumnWithCrLf) {
    TallyModel m;
    run(m, {follow("Ann"), game({"Ann"}, "Ann")});
    EXPECT_EQ(m.text(), AnnText);
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "zindle-tally-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        tally = (dir / "zindletally.tld").string();
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    static std::string slurp(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static void spit(const std::string& name, const std::string& data) {
        std::ofstream(name, std::ios::binary) << data;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs f in a child process and returns its exit code (or 128 + signal).
    static int inChild(const std::function<int()>& f) {
        const pid_t pid = fork();
        if (pid == 0) _exit(f());
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // A tally too big to pass a small limit: many opponents with random names.
    static TallyModel bigTally(int opponents) {
        TallyModel m;
        std::mt19937 rng(7);
        for (int i = 0; i < opponents; ++i) {
            std::string name;
            for (int k = 0; k < 12; ++k) name += static_cast<char>('a' + rng() % 26);
            m.follow(name);
        }
        return m;
    }

    fs::path dir;
    std::string tally;
};

TEST_F(TempFolder, GridFileRoundTripKeepsBytes) {
    TStringGrid g(3, 2);
    g.Cells(0, 0) = "caf\xE9";
    g.Cells(2, 1) = "x y";
    const std::string name = (dir / "grid.txt").string();
    zindle::SaveGridToFile(g, name);
    EXPECT_EQ(slurp(name), "3\r\n2\r\ncaf\xE9\r\n\r\n\r\n\r\n\r\nx y\r\n");
    TStringGrid back;
    zindle::LoadGridFromFile(back, name);
    EXPECT_EQ(back, g);

    // Lines ending in LF alone and a last line without an end read the same.
    spit(name, "3\n2\ncaf\xE9\n\n\n\n\nx y");
    zindle::LoadGridFromFile(back, name);
    EXPECT_EQ(back, g);
    EXPECT_THROW(zindle::LoadGridFromFile(back, (dir / "none").string()), EGridError);
}

TEST_F(TempFolder, TallyFileRoundTripAndRestart) {
    TallyModel m;
    TallyFile file(tally);
    std::string reason;
    EXPECT_EQ(file.load(m, reason), TallyFile::Loaded::Fresh);
    run(m, {follow("Ann"), game({"Ann"}, "Ann")});
    ASSERT_TRUE(file.save(m, reason)) << reason;
    EXPECT_EQ(files(), std::vector<std::string>{"zindletally.tld"});

    // A "WRZL" container in mode Fast holding the grid text exactly.
    const std::string bytes = slurp(tally);
    EXPECT_EQ(bytes.substr(0, 4), "WRZL");
    Tlzrw1 plain;
    plain.InputFile = tally;
    plain.OutputFile = (dir / "out.txt").string();
    plain.Decompress();
    EXPECT_EQ(slurp(plain.OutputFile), AnnText);

    TallyModel again;
    TallyFile next(tally);
    EXPECT_EQ(next.load(again, reason), TallyFile::Loaded::Read);
    EXPECT_EQ(rowsOf(again), rowsOf(m));
}

std::string container(const std::string& text) {
    return TallyFile("unused").pack(text);
}

TEST_F(TempFolder, DamagedFilesAreReportedAndKeptAside) {
    std::string fewer = AnnText.substr(0, AnnText.size() - 8);
    std::string truncated = container(AnnText);
    truncated.resize(truncated.size() - 5);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"not a container", "hello, world", "does not decompress"},
        {"a cut-off container", truncated, "does not decompress"},
        {"an absurd size in the header", std::string("WRZL\xff\xff\xff\x7f", 8), "absurd size"},
        {"a count that is not a number",
         container("9\r\n1\r\n0\r\n1x\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"), "\"1x\""},
        {"a row count that is not a number", container("9\r\nmany\r\n"), "not a number"},
        {"fewer lines than announced", container(fewer), "are announced"},
        {"seven columns", container("7\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"), "7 columns"},
        {"an absurd row count", container("9\r\n99999999\r\n0\r\n"), "row count 99999999"},
        {"no rows", container("9\r\n0\r\n"), "no rows"},
        {"an empty file", "", "does not decompress"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spit(tally, c.bytes);
        TallyModel m;
        run(m, {follow("Old")});
        TallyFile file(tally);
        std::string reason;
        EXPECT_EQ(file.load(m, reason), TallyFile::Loaded::Damaged);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(rowsOf(m), std::vector<std::string>{"0 0 0 0 0 0 0 0 0"});
        // Moved aside at once, byte for byte; the new tally is saved beside it.
        EXPECT_EQ(file.keptAs(), tally + ".bad");
        EXPECT_EQ(slurp(tally + ".bad"), c.bytes);
        ASSERT_TRUE(file.save(m, reason)) << reason;
        EXPECT_EQ(slurp(tally + ".bad"), c.bytes);
        fs::remove(tally + ".bad");
    }

    // A second damaged file never replaces the first one kept.
    spit(tally, "first");
    TallyModel m;
    std::string reason;
    TallyFile(tally).load(m, reason);
    spit(tally, "second");
    TallyFile second(tally);
    second.load(m, reason);
    EXPECT_EQ(second.keptAs(), tally + ".bad.1");
    EXPECT_EQ(slurp(tally + ".bad"), "first");
    EXPECT_EQ(slurp(tally + ".bad.1"), "second");
}

TEST_F(TempFolder, DamagedFileThatCannotMoveIsNotOverwritten) {
    spit(tally, "damaged");
    // Root ignores permissions, so the child gives them up.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    }
    EXPECT_EQ(inChild([&] {
                  if (geteuid() == 0 && setuid(65534) != 0) return 2;
                  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
                  TallyModel m;
                  std::string reason;
                  TallyFile file(tally);
                  if (file.load(m, reason) != TallyFile::Loaded::Damaged || !file.keptAs().empty())
                      return 3;
                  // Still in place: a save must not replace it while it cannot be moved aside.
                  if (file.save(m, reason) || slurp(tally) != "damaged") return 4;
                  fs::permissions(dir, fs::perms::owner_all);
                  if (!file.save(m, reason) || slurp(tally + ".bad") != "damaged") return 5;
                  return TallyFile(tally).load(m, reason) == TallyFile::Loaded::Read ? 0 : 6;
              }),
              0);
}

TEST_F(TempFolder, FailedSavesLeaveThePreviousTally) {
    TallyModel small;
    run(small, {follow("Ann"), game({"Ann"}, Mine)});
    std::string reason;
    ASSERT_TRUE(TallyFile(tally).save(small, reason)) << reason;
    const std::string before = slurp(tally);
    const TallyModel big = bigTally(3000);

    // A file-size limit: the kernel refuses to let the file grow past 4 KiB, and the
    // program lives on to say so.
    EXPECT_EQ(inChild([&] {
                  std::signal(SIGXFSZ, SIG_IGN);  // as every program does
                  rlimit lim{4096, 4096};
                  setrlimit(RLIMIT_FSIZE, &lim);
                  std::string why;
                  const bool ok = TallyFile(tally).save(big, why);
                  return !ok && why.find("cannot write") != std::string::npos &&
                                 why.find(std::strerror(EFBIG)) != std::string::npos
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_EQ(slurp(tally), before);
    EXPECT_EQ(files(), std::vector<std::string>{"zindletally.tld"});

    // A read-only data folder (root ignores permissions, so the child gives them up).
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    EXPECT_EQ(inChild([&] {
                  if (geteuid() == 0 && setuid(65534) != 0) return 2;
                  std::string why;
                  return TallyFile(tally).save(big, why) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(slurp(tally), before);
    EXPECT_EQ(files(), std::vector<std::string>{"zindletally.tld"});
}

TEST_F(TempFolder, ASymlinkedTallyStaysALinkAndItsTargetGetsTheCounts) {
    fs::create_directory(dir / "elsewhere");
    const fs::path target = dir / "elsewhere" / "shared.tld";
    fs::create_symlink(fs::path("elsewhere") / "shared.tld", tally);
    for (int games = 1; games <= 2; ++games) {
        TallyModel m;
        TallyFile file(tally);
        std::string reason;
        ASSERT_NE(file.load(m, reason), TallyFile::Loaded::Damaged) << reason;
        run(m, {follow("Ann"), game({"Ann"}, Mine)});
        ASSERT_TRUE(file.save(m, reason)) << reason;
        ASSERT_TRUE(fs::is_symlink(tally));
        TallyModel back;
        TallyFile(target.string()).load(back, reason);
        EXPECT_EQ(back.text(), m.text()) << games;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"elsewhere", "zindletally.tld"}));
}

TEST_F(TempFolder, KilledDuringSavesNeverLosesTheTally) {
    // A child counts games and saves after each one; it is killed at random moments. Every
    // time, the file on disk must be one complete tally, never older than the last one seen.
    std::mt19937 rng(11);
    int lastGames = 0;
    for (int round = 0; round < 20; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            TallyModel m;
            TallyFile file(tally);
            std::string why;
            file.load(m, why);
            if (m.find("Ann") < 0)
                for (int i = 0; i < 400; ++i) m.follow("Opponent" + std::to_string(i));
            m.follow("Ann");
            for (;;) {
                m.addgame({"Ann"}, Mine);
                file.save(m, why);
            }
        }
        usleep(5000 + rng() % 40000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);

        TallyModel m;
        std::string reason;
        const auto loaded = TallyFile(tally).load(m, reason);
        if (lastGames == 0 && loaded == TallyFile::Loaded::Fresh) continue;
        ASSERT_EQ(loaded, TallyFile::Loaded::Read) << reason;
        const int games = std::stoi(m.cell(TallyModel::Games, 0));
        EXPECT_GE(games, lastGames);
        EXPECT_EQ(m.cell(TallyModel::MyWins, m.find("Ann")), m.cell(TallyModel::Games, 0));
        lastGames = games;
    }
    EXPECT_GT(lastGames, 0);
    // Killed writers may leave their unfinished temporary files, never a broken tally.
    // Some kills landed mid-save, or this test proved nothing.
    EXPECT_GT(files().size(), 1u);
    for (const std::string& name : files())
        EXPECT_TRUE(name == "zindletally.tld" || name.rfind(".zindletally.tld.", 0) == 0) << name;

    // The next run clears the ones old enough not to be another window's save in progress.
    const std::vector<std::string> left = files();
    fs::last_write_time(dir / left.front(),
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    TallyModel m;
    std::string reason;
    TallyFile(tally).load(m, reason);
    EXPECT_EQ(files().size(), left.size() - 1);
    for (const std::string& name : files())
        if (name.front() == '.')
            fs::last_write_time(dir / name,
                                fs::file_time_type::clock::now() - std::chrono::hours(2));
    TallyFile(tally).load(m, reason);
    EXPECT_EQ(files(), std::vector<std::string>{"zindletally.tld"});
}

}  // namespace
