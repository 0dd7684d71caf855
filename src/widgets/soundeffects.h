// The real SoundPlayer. Plays the eleven game sounds by lower-case name
// ("entered", "gameover", "znbad", "zngood", "notiles", "place", "remove",
// "tick", "time", "turn", "word"); a new sound replaces one still playing;
// unknown names play nothing. Without an audio output it stays silent.
#pragma once

#include <QHash>
#include <QString>
#include <memory>

#include "widgets/sounds.h"

class QSoundEffect;

namespace zindle {

class SoundEffects : public SoundPlayer {
public:
    SoundEffects();
    ~SoundEffects() override;
    SoundEffects(const SoundEffects&) = delete;
    SoundEffects& operator=(const SoundEffects&) = delete;
    void play(const QString& name) override;

    // The names it knows, in a fixed order.
    static QStringList names();
    // Whether the system offers an audio output; asks quietly, without a warning.
    static bool outputAvailable();

private:
    QHash<QString, QSoundEffect*> effects_;
    QSoundEffect* current_ = nullptr;
};

}  // namespace zindle
