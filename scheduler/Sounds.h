#pragma once
// The program's notification sounds. The run engine plays "DING" before each
// instruction it carries out, through a TSoundPlayer, so that it runs with the
// sound off in tests and benchmarks.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QAudioSink;
class QBuffer;

inline const QString SoundDing = QStringLiteral("DING");

class TSoundPlayer {
public:
    virtual ~TSoundPlayer() = default;
    // Starts the named sound and returns at once; a sound already playing is
    // cut off and starts again. An unknown name plays nothing.
    virtual void Play(const QString& name) = 0;
};

class TSilentSoundPlayer final : public TSoundPlayer {
public:
    void Play(const QString&) override {}
};

// A wave file's samples as the audio output takes them.
struct TWaveSound {
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    QByteArray Samples; // interleaved little-endian PCM
};

// Reads a RIFF/WAVE file of 8- or 16-bit PCM; false for anything else.
bool ReadWave(const QByteArray& file, TWaveSound& sound);

// Plays the wave sounds built into the program as resources
// (":/sounds/<NAME>.wav"). The samples are pushed to the audio output from
// memory and the player never waits for them: without an audio device it
// plays nothing and returns at once. Nothing of the audio system is touched
// before the first sound, so a console that never plays one never starts it.
// (Qt's sound effects are not used: their shared sample cache can deadlock
// when the program ends while a sound is still being loaded.)
class TResourceSoundPlayer final : public TSoundPlayer {
public:
    TResourceSoundPlayer();
    ~TResourceSoundPlayer() override;
    void Play(const QString& name) override;
    // The names of the sounds found, e.g. "DING".
    QStringList Names() const;

private:
    void Stop();

    std::map<QString, TWaveSound> FSounds;
    std::unique_ptr<QBuffer> FSource;
    std::unique_ptr<QAudioSink> FSink;
};
