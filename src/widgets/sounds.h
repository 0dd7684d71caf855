// The one way the program plays a sound: by its lower-case name ("turn",
// "tick", ...). The window decides whether sounds are on; a player only plays.
#pragma once

#include <QString>
#include <QStringList>

namespace zindle {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& name) = 0;
};

// For tests: remembers the names in order.
class RecordingSounds : public SoundPlayer {
public:
    void play(const QString& name) override { played.append(name); }
    QStringList played;
};

}  // namespace zindle
