// The headless zindle-host as a dedicated host would run it.
#include "harness.h"

#include <csignal>
#include <sys/wait.h>

namespace servertest {
namespace {

struct HostProcess {
    pid_t pid = -1;
    int port = 0;

    explicit HostProcess(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            std::vector<char*> argv{const_cast<char*>("zindle-host")};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(ZINDLE_HOST_PATH, argv.data());
            _exit(127);
        }
        ::close(fds[1]);
        std::string line;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(fds[0]);
        std::sscanf(line.c_str(), "listening on port %d", &port);
    }
    // The word list's working copy, found among the host's open files.
    std::string workingCopy() const {
        const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::error_code ec;
            const auto target = std::filesystem::read_symlink(e.path(), ec).string();
            if (target.ends_with("/English")) return target;
        }
        return {};
    }
    int stop(int sig) {
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~HostProcess() {
        if (pid > 0) stop(SIGKILL);
    }
};

Msgs dealOf(int seed) {
    const std::string words = shortWords();
    HostProcess host({"--port", "0", "--seed", std::to_string(seed), "--words", words});
    EXPECT_GT(host.port, 0);
    ScriptedClient first(host.port, "Solo");
    first.open();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return first.count("CMD_newplayerinfo+") > 0; }));
    first.send("CMD_startgame+Solo+90+0+0+0+n+n+");
    EXPECT_TRUE(testsupport::pumpUntil([&] { return first.count("CMD_nextplayer+") > 0; }));
    EXPECT_EQ(first.seat(), 1);
    const std::string copy = host.workingCopy();
    EXPECT_FALSE(copy.empty());
    EXPECT_EQ(host.stop(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::exists(copy)) << copy;
    std::filesystem::remove(words);
    return first.received();
}

TEST(ServerHost, ASeedReplaysTheGameAndAnInterruptCleansUp) {
    testsupport::ensureApp();
    const Msgs one = dealOf(77);
    EXPECT_EQ(dealOf(77), one);
    EXPECT_NE(dealOf(78), one);
    EXPECT_EQ(one.at(0), "CMD_sendlogininfo+1");
}

TEST(ServerHost, TerminateExitsCleanlyAndBadArgumentsAreRefused) {
    HostProcess host({"--port", "0"});
    ASSERT_GT(host.port, 0);
    EXPECT_EQ(host.stop(SIGTERM), 0);
    HostProcess bad({"--port", "seventy"});
    EXPECT_EQ(bad.port, 0);
    EXPECT_EQ(bad.stop(SIGTERM), 2);
}

}  // namespace
}  // namespace servertest
