#pragma once
// The device's settings for a run's record: read once per run through the
// console's own refresh (TScriptTarget::ReadSettingsAsParadigmFile), right
// after the activation when the first instruction leaves time for it, else
// right after the first instruction, so that the reading never delays the
// first instruction. A run that ends or halts before its first instruction
// has been carried out reads nothing.
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include "Clock.h"
#include "script/ScriptTarget.h"

class TSettingsRecorder {
public:
    // A refresh of a device that answers takes about 100 ms at 38400 baud;
    // it is made before the first instruction only with this much time left.
    static constexpr qint64 LeadMs = 500;

    // target and clock are not owned and must outlive the recorder.
    TSettingsRecorder(TScriptTarget& target, const TClock& clock);
    TSettingsRecorder(const TSettingsRecorder&) = delete;
    TSettingsRecorder& operator=(const TSettingsRecorder&) = delete;

    // A run started; its first instruction is due at firstDueMs (since the
    // epoch). The reading waits until the console is idle.
    void Begin(qint64 firstDueMs);
    // The run carried an instruction out; the settings are read now if they
    // are still to be read.
    void InstructionCarried();
    // The run ended: nothing more is read for it.
    void End();

    // The settings as a paradigm file's bytes, or the message of the error
    // that ended the reading.
    std::function<void(const QByteArray& paradigmFile)> OnRead;
    std::function<void(const QString& message)> OnFailed;

private:
    void ReadWhenIdle(quint64 run);
    void Read();

    TScriptTarget& FTarget;
    const TClock& FClock;
    bool FPending = false;
    qint64 FFirstDueMs = 0;
    quint64 FRun = 0; // counts runs, so that a call for an ended run does nothing
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true); // idle calls after the recorder end here
};
