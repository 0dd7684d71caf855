// A zindle-host of its own: started with its arguments, its port read from the line it
// prints, stopped by a signal (SIGKILL when it is dropped still running).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

struct HostProcess {
    // tmpdir, when given, becomes the host's TMPDIR.
    HostProcess(const std::string& program, const std::vector<std::string>& args,
                const std::string& tmpdir = {});
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;
    // Its exit status, or -1 when a signal ended it.
    int stop(int sig);

    pid_t pid = -1;
    int port = 0;  // 0 when it did not start
};

}  // namespace testsupport
