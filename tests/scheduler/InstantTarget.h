#pragma once
// A script target that carries every instruction out at once and is never
// busy: the run engine's timing and jumps alone, without a device.
#include "script/ScriptTarget.h"

class TInstantTarget final : public TScriptTarget {
public:
    bool Busy() const override { return false; }
    void CallWhenIdle(std::function<void()> action) override { action(); }
    QString TriggerChannel(int) override { return ScriptOutcome::Sent; }
    QString SetChannelParameter(int, int, const QString&) override { return ScriptOutcome::Sent; }
    QString SetChannelMode(int, int) override { return ScriptOutcome::Sent; }
    QString SelectParadigm(int) override { return ScriptOutcome::Sent; }
    QString LoadParadigmFromFile(const QString&) override { return ScriptOutcome::Loaded; }
    QByteArray ReadSettingsAsParadigmFile() override { return QByteArrayLiteral("Paradigm=1\r\n"); }
};
