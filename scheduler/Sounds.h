#pragma once
// The program's notification sounds. The run engine plays "DING" before each
// instruction it carries out, through a TSoundPlayer, so that it runs with the
// sound off in tests and benchmarks.
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QSoundEffect;

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

// Plays the wave sounds built into the program as resources
// (":/sounds/<NAME>.wav"), each decoded into memory once when the player is
// made. Needs the application object. Never waits for the sound: without an
// audio device a sound "plays" at once and reports itself playing for ever.
class TResourceSoundPlayer final : public TSoundPlayer {
public:
    TResourceSoundPlayer();
    ~TResourceSoundPlayer() override;
    void Play(const QString& name) override;
    // The names of the sounds found, e.g. "DING".
    QStringList Names() const;

private:
    std::map<QString, std::unique_ptr<QSoundEffect>> FSounds;
};
