// Signals that end a program (SIGINT, SIGTERM, SIGHUP) as events of its Qt loop: the
// handler only writes a byte to a pipe, and the loop then runs `then` like any other
// event, so a program ends as it would by its own hand.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <memory>

namespace zindle {

class QuitSignals {
public:
    QuitSignals(std::initializer_list<int> which, std::function<void()> then) {
        if (pipe_[0] < 0 && ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [then = std::move(then)] {
            char drained[16];
            while (::read(pipe_[0], drained, sizeof drained) > 0) {
            }
            then();
        });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        for (int s : which) sigaction(s, &sa, nullptr);
    }
    bool ok() const { return notifier_ != nullptr; }

private:
    static void onSignal(int) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(pipe_[1], &c, 1);
    }
    static inline int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace zindle
