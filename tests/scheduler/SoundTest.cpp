// The built-in notification sound: present, and a short PCM wave that the
// wave reader decodes; a wave that is not PCM, or is cut short, is refused.
#include <gtest/gtest.h>

#include <QFile>

#include "scheduler/Sounds.h"

TEST(Sounds, DingIsBuiltInAsAShortPcmWave)
{
    TResourceSoundPlayer player;
    EXPECT_EQ(player.Names(), QStringList({SoundDing}));

    QFile wave(QStringLiteral(":/sounds/DING.wav"));
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly));
    const QByteArray bytes = wave.readAll();
    TWaveSound sound;
    ASSERT_TRUE(ReadWave(bytes, sound));
    const double seconds = double(sound.Samples.size()) / (sound.SampleRate * sound.Channels * sound.BitsPerSample / 8);
    EXPECT_GT(seconds, 0.1);
    EXPECT_LT(seconds, 1.0);
    // Not a PCM wave, or cut short: refused.
    QByteArray notPcm = bytes;
    notPcm[20] = 3;
    EXPECT_FALSE(ReadWave(notPcm, sound));
    EXPECT_FALSE(ReadWave(bytes.left(40), sound));
}
