// The built-in notification sound: present, a short PCM wave, and playing it
// returns at once even where there is no audio device.
#include <gtest/gtest.h>

#include <QFile>
#include <QtEndian>

#include "scheduler/Sounds.h"

TEST(Sounds, DingIsBuiltInAndPlaysWithoutWaiting)
{
    TResourceSoundPlayer player;
    EXPECT_EQ(player.Names(), QStringList({SoundDing}));

    QFile wave(QStringLiteral(":/sounds/DING.wav"));
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly));
    const QByteArray bytes = wave.readAll();
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.mid(36, 4), "data");
    // PCM (format 1), and a short sound: data bytes over bytes per second.
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 20), 1);
    const double seconds = double(qFromLittleEndian<quint32>(bytes.constData() + 40))
        / qFromLittleEndian<quint32>(bytes.constData() + 28);
    EXPECT_GT(seconds, 0.1);
    EXPECT_LT(seconds, 1.0);

    // Without an audio device these return at once all the same; a sound
    // already playing starts again; an unknown name plays nothing.
    player.Play(SoundDing);
    player.Play(SoundDing);
    player.Play(QStringLiteral("NO SUCH SOUND"));
}
