// Hints worked out on a thread of their own, so the window's event loop runs
// on while the move generator searches (with double tiles a search takes
// far longer than a frame). Each question carries the asker's turn serial;
// the answer comes back with it, queued to the asker's thread, and the asker
// drops an answer whose serial is no longer its own, as a computer player
// drops a decision for a turn that is over.
#pragma once

#include <QObject>
#include <QThread>
#include <cstdint>
#include <functional>

#include "coach/coach.h"

namespace zindle::coach {

class HintThread : public QObject {
public:
    explicit HintThread(QObject* parent = nullptr);
    ~HintThread() override;
    HintThread(const HintThread&) = delete;
    HintThread& operator=(const HintThread&) = delete;

    // Questions are answered one at a time, in the order asked.
    void ask(const HintQuestion& question, std::uint64_t serial);
    bool busy() const { return waiting_ > 0; }

    // Called on this object's thread with each answer.
    std::function<void(std::uint64_t serial, const Suggestion&)> answered;

private:
    QThread thread_;
    QObject* worker_;  // lives on thread_
    int waiting_ = 0;
};

}  // namespace zindle::coach
