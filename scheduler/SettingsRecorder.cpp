#include "SettingsRecorder.h"

#include "base/KelvorErrors.h"

TSettingsRecorder::TSettingsRecorder(TScriptTarget& target, const TClock& clock)
    : FTarget(target)
    , FClock(clock)
{
}

void TSettingsRecorder::Begin(qint64 firstDueMs)
{
    ++FRun;
    FPending = true;
    FFirstDueMs = firstDueMs;
    ReadWhenIdle(FRun);
}

// The idle call may come after the console became busy again: it waits once
// more then. With too little time left before the first instruction, the
// reading waits for it instead.
void TSettingsRecorder::ReadWhenIdle(quint64 run)
{
    const std::weak_ptr<bool> alive = FAlive;
    FTarget.CallWhenIdle([this, run, alive] {
        if (alive.expired() || run != FRun || !FPending)
            return;
        if (FTarget.Busy())
            ReadWhenIdle(run);
        else if (FClock.MsecsSinceEpoch() + LeadMs <= FFirstDueMs)
            Read();
    });
}

void TSettingsRecorder::InstructionCarried()
{
    if (FPending)
        Read();
}

void TSettingsRecorder::End()
{
    ++FRun;
    FPending = false;
}

void TSettingsRecorder::Read()
{
    FPending = false;
    QByteArray settings;
    try {
        settings = FTarget.ReadSettingsAsParadigmFile();
    } catch (const EKelvorError& error) {
        if (OnFailed)
            OnFailed(error.Message());
        return;
    } catch (const std::exception& error) {
        if (OnFailed)
            OnFailed(QString::fromLocal8Bit(error.what()));
        return;
    }
    if (OnRead)
        OnRead(settings);
}
