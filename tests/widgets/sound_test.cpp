#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include "widgets/soundeffects.h"

using namespace zindle;

namespace {

QStringList messages;

void collect(QtMsgType, const QMessageLogContext&, const QString& text) {
    messages.append(text);
}

quint32 le32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
qint16 sample(const QByteArray& b, int i) {
    return qFromLittleEndian<qint16>(b.constData() + 44 + 2 * i);
}

}  // namespace

TEST(Sounds, EveryGameSoundIsAShortSoftPcmWave) {
    ASSERT_EQ(SoundEffects::names().size(), 11);
    for (const QString& name : SoundEffects::names()) {
        SCOPED_TRACE(name.toStdString());
        QFile file(QStringLiteral(":/zindle/sounds/%1.wav").arg(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        ASSERT_GE(wav.size(), 44);
        EXPECT_EQ(wav.left(4), "RIFF");
        EXPECT_EQ(le32(wav, 4), quint32(wav.size() - 8));
        EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(wav, 16), 16u);  // plain PCM format block
        EXPECT_EQ(le16(wav, 20), 1);    // PCM
        EXPECT_EQ(le16(wav, 22), 1);    // mono
        const quint32 rate = le32(wav, 24);
        EXPECT_EQ(le32(wav, 28), rate * 2);
        EXPECT_EQ(le16(wav, 32), 2);
        EXPECT_EQ(le16(wav, 34), 16);
        EXPECT_EQ(wav.mid(36, 4), "data");
        const quint32 dataBytes = le32(wav, 40);
        ASSERT_EQ(dataBytes, quint32(wav.size() - 44));
        const double ms = dataBytes / 2.0 / rate * 1000;
        EXPECT_GE(ms, 50);
        EXPECT_LE(ms, 600);

        // Audible but gentle, and silent at the very end so it never clicks off.
        const int count = int(dataBytes / 2);
        int peak = 0;
        for (int i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(sample(wav, i))));
        EXPECT_GT(peak, 6000);
        EXPECT_LT(peak, 20000);
        EXPECT_LT(std::abs(int(sample(wav, count - 1))), 200);
        EXPECT_LT(std::abs(int(sample(wav, 0))), 2000);
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral(":/zindle/sounds/winner.wav")));
}

TEST(Sounds, PlayingIsQuietAndQuickWithoutAnOutput) {
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    QElapsedTimer clock;
    clock.start();
    {
        // The probe a window without sound hardware makes, asked twice: quiet both times.
        SoundEffects::outputAvailable();
        SoundEffects::outputAvailable();
        SoundEffects player;
        for (int round = 0; round < 3; ++round) {
            for (const QString& name : SoundEffects::names()) player.play(name);
            player.play(QStringLiteral("winner"));
            player.play(QString());
            player.play(QStringLiteral("../../etc/passwd"));
        }
    }
    const qint64 elapsed = clock.elapsed();
    qInstallMessageHandler(previous);
    EXPECT_LT(elapsed, 300);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}
