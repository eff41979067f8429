#pragma once
// The run engine on the real main window against the simulated stimulator,
// with a fake clock and check timer: minutes of a run pass in milliseconds,
// and every alarm check is delivered at its exact moment.
#include <QFile>

#include <vector>

#include "app/MainWindowTarget.h"
#include "scheduler/RunEngine.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/scheduler/FakeTime.h"

class TCountingSoundPlayer final : public TSoundPlayer {
public:
    void Play(const QString& name) override { Played << name; }
    QStringList Played;
};

class EngineFixture : public ConsoleFixture {
protected:
    static const QDateTime& Morning()
    {
        static const QDateTime moment(QDate(2026, 6, 1), QTime(12, 0));
        return moment;
    }

    void StartEngine(TConsoleSetup setup = {})
    {
        Start(setup);
        Target = std::make_unique<TMainWindowTarget>(*Main);
        auto timer = std::make_unique<TFakeCheckTimer>();
        Timer = timer.get();
        Engine = std::make_unique<TRunEngine>(*Target, Clock, std::move(timer), Sound);
        Engine->OnCarried = [this](const TRunRecord& record) { Records.push_back(record); };
        Engine->OnFailed = [this](const QString& message) { Failures << message; };
        Engine->OnStopped = [this] { StoppedAt = Clock.Now(); };
    }

    void TearDown() override
    {
        Engine.reset();
        Target.reset();
        ConsoleFixture::TearDown();
    }

    // Starts a run of the lines.
    void Run(const QStringList& lines, const QString& activation = QStringLiteral("00:00"))
    {
        Engine->Start(TScriptLines(lines), activation);
    }

    // Delivers the alarm's checks until condition holds or no check is
    // pending (at most maxChecks).
    bool ElapseUntil(const std::function<bool()>& condition, int maxChecks = 2000)
    {
        for (int i = 0; i < maxChecks && !condition(); ++i) {
            if (!Timer->Elapse(Clock))
                break;
        }
        return condition();
    }

    // Waits for the device to have received n frames that begin with prefix
    // (other frames, a refresh's say, do not count).
    bool WaitForFrames(const std::string& prefix, size_t n, int timeoutMs = 3000) const
    {
        return Sim->waitForFramesStarting(prefix, n, timeoutMs);
    }

    // The frames the device received that begin with prefix.
    std::vector<std::string> FramesStarting(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& frame : Wire())
            if (frame.rfind(prefix, 0) == 0)
                found.push_back(frame);
        return found;
    }

    TFakeClock Clock {Morning()};
    TFakeCheckTimer* Timer = nullptr; // owned by the engine's alarm
    TCountingSoundPlayer Sound;
    std::unique_ptr<TMainWindowTarget> Target;
    std::unique_ptr<TRunEngine> Engine;
    std::vector<TRunRecord> Records;
    QStringList Failures;
    QDateTime StoppedAt;
};
