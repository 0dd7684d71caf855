// The program runs once per user and data folder. A second start asks the
// first to raise its window and ends before creating any window of its own.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace zindle {

class SingleInstance : public QObject {
public:
    explicit SingleInstance(const QString& dataFolder);
    // True when another instance answered (it has been told to raise itself).
    bool otherRunning();
    // Starts answering later starts; raise runs for each of them.
    bool listen(std::function<void()> raise);
    QString name() const { return name_; }

private:
    QString name_;
    QLocalServer server_;
    std::function<void()> raise_;
};

}  // namespace zindle
