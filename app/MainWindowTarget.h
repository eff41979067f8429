#pragma once
// The main window's device operations as a running script sees them. Each
// call opens its own top-level operation, so the script's instruction and
// whatever it calls count as one busy stretch; the outcome texts are those
// the run log records. A lost line is told to the run (OnLineLost) once the
// line event has been handled, and tried again on the same port.
#include <QObject>

#include "script/ScriptTarget.h"

class TfrmMain;

class TMainWindowTarget final : public TScriptTarget {
public:
    // frmMain must outlive the target.
    explicit TMainWindowTarget(TfrmMain& frmMain);

    bool Busy() const override;
    void CallWhenIdle(std::function<void()> action) override;

    QString TriggerChannel(int channel) override;
    QString SetChannelParameter(int channel, int setting, const QString& valueText) override;
    QString SetChannelMode(int channel, int mode) override;
    QString SelectParadigm(int number) override;
    QString LoadParadigmFromFile(const QString& fileName) override;
    QByteArray ReadSettingsAsParadigmFile() override;

    QString LostPort() const override;
    QString Reconnect() override;

private:
    void EndIfLineLost() const;

    TfrmMain& FMain;
    QObject FContext; // ends the pending idle calls with the target
};
