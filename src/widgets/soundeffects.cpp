#include "widgets/soundeffects.h"

#include <QAudioDevice>
#include <QGuiApplication>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace zindle {

namespace {

QtMessageHandler outerHandler = nullptr;

// The audio backend reports a missing sound server as a warning; for a game that only
// means "no sounds", so the probe keeps that one quiet and passes anything else on.
void quietProbe(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("PulseAudioService"))) return;
    if (outerHandler)
        outerHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}

}  // namespace

bool SoundEffects::outputAvailable() {
    outerHandler = qInstallMessageHandler(quietProbe);
    const bool found = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(outerHandler);
    outerHandler = nullptr;
    return found;
}

SoundEffects::SoundEffects() {
    // Windows drawn offscreen belong to tests and tools: they never make a noise. Without an
    // output device QSoundEffect would only complain on every play, so stay silent then too.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    if (!outputAvailable()) return;
    // Loaded now, so the first "tick" of a turn is not late by its decoding.
    for (const QString& name : names()) {
        auto* effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc:/zindle/sounds/%1.wav").arg(name)));
        effect->setVolume(0.8f);
        effects_.insert(name, effect);
    }
}

SoundEffects::~SoundEffects() {
    qDeleteAll(effects_);
}

QStringList SoundEffects::names() {
    return {QStringLiteral("entered"), QStringLiteral("gameover"), QStringLiteral("znbad"),
            QStringLiteral("zngood"),  QStringLiteral("notiles"),  QStringLiteral("place"),
            QStringLiteral("remove"),  QStringLiteral("tick"),     QStringLiteral("time"),
            QStringLiteral("turn"),    QStringLiteral("word")};
}

void SoundEffects::play(const QString& name) {
    QSoundEffect* effect = effects_.value(name);
    if (!effect) return;
    if (current_ && current_->isPlaying()) current_->stop();
    current_ = effect;
    effect->play();
}

}  // namespace zindle
