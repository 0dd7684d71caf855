// Runs the event loop for the socket tests.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// Until done() holds; the bound only keeps a broken test from hanging.
inline bool pumpUntil(const std::function<bool()>& done, int boundMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
