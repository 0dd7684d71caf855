#include "coach/hintthread.h"

namespace zindle::coach {

HintThread::HintThread(QObject* parent) : QObject(parent), worker_(new QObject) {
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

HintThread::~HintThread() {
    // A search under way finishes first; its answer is dropped with this object.
    thread_.quit();
    thread_.wait();
}

void HintThread::ask(const HintQuestion& question, std::uint64_t serial) {
    ++waiting_;
    QMetaObject::invokeMethod(worker_, [this, question, serial] {
        const Suggestion s = Coach::hint(question);
        QMetaObject::invokeMethod(
            this,
            [this, serial, s] {
                --waiting_;
                if (answered) answered(serial, s);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace zindle::coach
