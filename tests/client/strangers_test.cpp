// The window among strangers and at its end: lines and names a host or a peer
// would forge, a host that sends turn after turn, the single-instance socket,
// and the program ended from outside.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstring>

#include "client/singleinstance.h"
#include "coach/review.h"
#include "windowparts.h"
#include "windowrig.h"

extern char** environ;

namespace zindle {
namespace {

using testsupport::ScriptedClient;
using namespace testparts;

void drain(Tchat& chat) {
    while (chat.queued() > 0) chat.processsocktimer();
}

TEST(WindowAmongStrangers, NoLineIsForgedAndATakenNameIsTold) {
    HostRig rig;
    Window ann({"Ann", "somewhere", "true"}, rig.server.get(), 0);
    ann.chat->show();
    ASSERT_TRUE(rig.pump([&] { return ann.chat->state().loggedIn(); }));
    Window twin({"Ann", "127.0.0.1", "join"}, rig.server.get(), rig.port());
    twin.chat->show();
    EXPECT_TRUE(
        rig.pump([&] { return chatLines(*twin.chat).contains("The host shows you as Ann (2)."); }));
    ASSERT_TRUE(rig.pump([&] { return text(*ann.chat, "label_playername2") == "Ann (2)"; }));
    EXPECT_EQ(chatLines(*ann.chat).filter("The host shows you").size(), 0);

    // A peer's line breaks end no line in the window.
    ScriptedClient eve(rig.port(), "Eve");
    eve.open();
    ASSERT_TRUE(rig.pump([&] { return text(*ann.chat, "label_playername3") == "Eve"; }));
    eve.send("CMD_chat+3+hi\r\nAnn chats: I resign|clRed");
    ASSERT_TRUE(rig.pump(
        [&] { return chatLines(*twin.chat).contains("Eve chats: hi  Ann chats: I resign"); }));
    EXPECT_FALSE(chatLines(*twin.chat).contains("Ann chats: I resign"));

    // Nor do a host's, whatever it sends; the code page's letters stay.
    Window w({}, nullptr, 1);
    w.chat->receive(
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+3+Mal\nlory\xFF"
        "CMD_newplayerinfo+4+Zo\xEB\xFF"
        "CMD_chat+Eve chats: a\r\nYou were removed\x7F|clRed\xFF"
        "CMD_action+Eve\x0b says: \x1b[2Jbye|clRed\xFF"
        "CMD_playerdisconnected+3+Mal\nlory\xFF");
    drain(*w.chat);
    EXPECT_EQ(text(*w.chat, "label_playername4"), "Zo\u00EB");
    const QStringList lines = chatLines(*w.chat);
    EXPECT_EQ(lines.mid(lines.size() - 5),
              (QStringList{"Mal lory is Connected.", "Zo\u00EB is Connected.",
                           "Eve chats: a  You were removed ", "Eve  says:  [2Jbye",
                           "Mal lory disconnected."}));
}

// A host that hands the player turn after turn and never starts a new game
// cannot grow the window's record of turns past what a real game holds.
TEST(WindowAmongStrangers, KeepsABoundedRecordOfTurnsWhateverAHostSends) {
    Window w({}, nullptr, 1);
    Tchat& chat = *w.chat;
    chat.receive(
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+2+Eve\xFF"
        "CMD_startgame+Eve+90+0+0+0+n+n+n\xFF");
    drain(chat);
    const int turns = 3 * static_cast<int>(coach::GameRecord::kMaxTurns);
    for (int i = 0; i < turns; ++i) {
        chat.receive(
            "CMD_nextplayer+2\xFF"
            "CMD_pass+2\xFF");
        drain(chat);
    }
    action(chat, "gameReviewAction")->trigger();
    auto* review = chat.findChild<coach::GameReview*>();
    ASSERT_NE(review, nullptr);
    EXPECT_EQ(review->table()->rowCount(), static_cast<int>(coach::GameRecord::kMaxTurns));
    EXPECT_EQ(review->table()->item(0, 0)->text(), "1");
    review->close();
}

// A turn message that fails after it took the laid tiles back still shows them back on the rack,
// and a start that fails after clearing the scores shows them cleared.
TEST(WindowAmongStrangers, AMalformedTurnOrStartStillShowsWhatItCleared) {
    Window w({}, nullptr, 1);
    Tchat& chat = *w.chat;
    std::string deal =
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+2+Eve\xFF"
        "CMD_startgame+Eve+90+0+0+0+n+n+n\xFF";
    for (int slot = 1; slot <= kRackSize; ++slot)
        deal += "CMD_atile+" + std::to_string(slot) + "+" + std::to_string(slot) + "\xFF";
    chat.receive(deal + "CMD_nextplayer+2\xFF");
    drain(chat);
    chat.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chat));
    auto* tile = part(chat, "tile_1");
    auto* board = part(chat, "board");
    QTest::mouseClick(tile, Qt::LeftButton, {}, tile->rect().center());
    QTest::mouseClick(board, Qt::LeftButton, {}, board->rect().center());
    ASSERT_FALSE(tile->isVisible());

    chat.receive("CMD_nextplayer+x\xFF");
    drain(chat);
    EXPECT_EQ(chat.state().laid()[1], kNoCell);
    EXPECT_TRUE(tile->isVisible());

    chat.receive("CMD_postscore+10+2+0+45+45+1+45+word\xFF");
    drain(chat);
    ASSERT_EQ(text(chat, "label_score2"), "45");
    chat.receive("CMD_startgame+Eve+90\xFF");
    drain(chat);
    EXPECT_EQ(text(chat, "label_score2"), "0");
}

// When the host drops the window, what a close keeps is written before the
// box that says why, which may wait for OK until the desktop session ends.
TEST(WindowAtItsEnd, SavesBeforeItTellsWhyItEnds) {
    HostRig rig;
    rig.server->listen();
    Window w({"Ann", "127.0.0.1", "join"}, nullptr, rig.port());
    Tchat& chat = *w.chat;
    chat.show();
    ASSERT_TRUE(rig.pump([&] { return chatLines(chat).contains("You are Connected."); }));
    const QRect before = chat.geometry();
    chat.move(chat.pos() + QPoint(7, 5));
    QList<QByteArray> iniWhenTold, place;
    int tallySavesWhenTold = -1;
    w.dialogs.onMessage = [&](const QString&) {
        QFile ini(w.home.filePath("korvolobby.ini"));
        if (ini.open(QIODevice::ReadOnly))
            for (const QByteArray& line : ini.readAll().split('\n')) iniWhenTold << line.trimmed();
        place = {"Top=" + QByteArray::number(chat.geometry().top()),
                 "Left=" + QByteArray::number(chat.geometry().left())};
        tallySavesWhenTold = w.tallySaves;
    };
    rig.server.reset();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !chat.isVisible(); }));
    ASSERT_EQ(w.dialogs.calls.count(), 1);
    EXPECT_EQ(w.dialogs.calls[0].text, "The host closed the game.");
    EXPECT_NE(chat.geometry().topLeft(), before.topLeft());
    ASSERT_EQ(place.size(), 2);
    EXPECT_TRUE(iniWhenTold.contains(place[0]) && iniWhenTold.contains(place[1]))
        << iniWhenTold.join('\n').toStdString();
    EXPECT_GE(tallySavesWhenTold, 1);
}

// A socket file no instance answers on any more, as a killed one leaves it.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(sa.sun_path, p.constData(),
                std::min<std::size_t>(p.size(), sizeof sa.sun_path - 1));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ::close(fd);
}

TEST(WindowAtItsEnd, TheInstanceSocketIsPrivateWithoutARuntimeFolder) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmpdir = qgetenv("TMPDIR");
    QTemporaryDir shared, data;
    // Like /tmp: anyone may write in it.
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", shared.path().toLocal8Bit());
    {
        SingleInstance first(data.path());
        const QString folder = QFileInfo(first.name()).absolutePath();
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
        EXPECT_NE(QDir(folder), QDir(shared.path()));
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(st.st_uid, ::getuid());
        leaveStaleSocket(first.name());
        EXPECT_FALSE(first.otherRunning());
        int raised = 0;
        ASSERT_TRUE(first.listen([&] { ++raised; }));
        EXPECT_TRUE(SingleInstance(data.path()).otherRunning());
        ASSERT_TRUE(testsupport::pumpUntil([&] { return raised == 1; }));
    }
    // Someone else made the folder first: it is not ours to use.
    if (::getuid() == 0) {
        QTemporaryDir elsewhere;
        ASSERT_EQ(::chmod(QFile::encodeName(elsewhere.path()).constData(), 01777), 0);
        qputenv("TMPDIR", elsewhere.path().toLocal8Bit());
        const QByteArray taken = QFile::encodeName(elsewhere.filePath("zindle-0"));
        ASSERT_EQ(::mkdir(taken.constData(), 0777), 0);
        ASSERT_EQ(::chown(taken.constData(), 65534, 65534), 0);
        SingleInstance first(data.path());
        EXPECT_EQ(QDir(QFileInfo(first.name()).absolutePath()), QDir(data.path()));
        EXPECT_TRUE(first.listen([] {}));
    }
    if (runtime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", runtime);
    if (tmpdir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
}

int freePort() {
    TSock probe;
    probe.setPortName("0");
    probe.setListen(true);
    return probe.LocalPort();
}

// The real program, ended from outside as a logout, a kill or a closed
// terminal ends it: it saves as on a close and leaves no socket behind.
TEST(WindowAtItsEnd, TheProgramEndsAsOnACloseWhenTerminatedOrHungUp) {
    testsupport::ensureApp();
    for (int sig : {SIGTERM, SIGHUP}) {
        QTemporaryDir home, run;
        TSock lobby;
        lobby.setPortName("0");
        TSock* link = nullptr;
        lobby.OnAccept = [&](TSock& l) { l.Accept(link); };
        lobby.setListen(true);
        const int port = freePort();
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) env.emplace_back(*e);
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("ZINDLE_HOME=" + home.path().toStdString());
        env.push_back("XDG_RUNTIME_DIR=" + run.path().toStdString());
        env.push_back("ZINDLE_PORT=" + std::to_string(port));
        env.push_back("ZINDLE_LOBBY_PORT=" + std::to_string(lobby.LocalPort()));
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const char* argv[] = {"zindle", "Ann", "127.0.0.1", "true", nullptr};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execve(ZINDLE_PATH, const_cast<char**>(argv), envp.data());
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        // The lobby link comes once the game listens and the window has joined it.
        ASSERT_TRUE(testsupport::pumpUntil([&] { return link != nullptr; }, {}, 20000));
        ScriptedClient bob(port, "Bob");
        bob.open();
        ASSERT_TRUE(testsupport::pumpUntil(
            [&] {
                return bob.has("CMD_existingplayers+1+Ann") || bob.has("CMD_newplayerinfo+1+Ann");
            },
            {}, 20000));
        ::kill(pid, sig);
        int status = 0;
        ASSERT_TRUE(testsupport::pumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; },
                                           {}, 20000))
            << sig;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << sig << " " << status;
        EXPECT_TRUE(QFile::exists(home.filePath("zindletally.tld"))) << sig;
        EXPECT_EQ(QDir(run.path()).entryList(QDir::System | QDir::Files), QStringList()) << sig;
        EXPECT_TRUE(bob.has("CMD_playerdisconnected+1+Ann") || bob.closed()) << sig;
    }
}

}  // namespace
}  // namespace zindle
