#include "widgets/soundeffects.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace zindle {

namespace {

QtMessageHandler outerHandler = nullptr;

// The audio backend reports a missing sound server as a warning; for a game that only
// means "no sounds", so the probe keeps that one quiet and passes anything else on.
void quietProbe(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("PulseAudioService")))
        return;
    if (outerHandler)
        outerHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}

bool haveAudioOutput()
{
    outerHandler = qInstallMessageHandler(quietProbe);
    const bool found = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(outerHandler);
    outerHandler = nullptr;
    return found;
}

}  // namespace

SoundEffects::SoundEffects()
{
    // Without an output device QSoundEffect would only complain on every play; stay silent.
    haveDevice_ = haveAudioOutput();
}

SoundEffects::~SoundEffects()
{
    qDeleteAll(effects_);
}

QStringList SoundEffects::names()
{
    return {QStringLiteral("entered"), QStringLiteral("gameover"), QStringLiteral("znbad"),
            QStringLiteral("zngood"),  QStringLiteral("notiles"),  QStringLiteral("place"),
            QStringLiteral("remove"),  QStringLiteral("tick"),     QStringLiteral("time"),
            QStringLiteral("turn"),    QStringLiteral("word")};
}

void SoundEffects::play(const QString& name)
{
    if (!haveDevice_ || !names().contains(name))
        return;
    QSoundEffect*& effect = effects_[name];
    if (!effect) {
        // Loaded on first use so a game that never sounds a name never decodes it.
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc:/zindle/sounds/%1.wav").arg(name)));
        effect->setVolume(0.8f);
    }
    if (current_ && current_->isPlaying())
        current_->stop();
    current_ = effect;
    effect->play();
}

}  // namespace zindle
