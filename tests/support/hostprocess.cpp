#include "support/hostprocess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace testsupport {

HostProcess::HostProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& tmpdir) {
    // Everything the child needs is made before the fork.
    std::vector<char*> argv{const_cast<char*>("zindle-host")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid = ::fork();
    if (pid == 0) {
        if (!tmpdir.empty()) ::setenv("TMPDIR", tmpdir.c_str(), 1);
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    std::string line;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(fds[0]);
    std::sscanf(line.c_str(), "listening on port %d", &port);
}

int HostProcess::stop(int sig) {
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

HostProcess::~HostProcess() {
    if (pid > 0) stop(SIGKILL);
}

}  // namespace testsupport
