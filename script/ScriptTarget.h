#pragma once
// What a running script acts on: the console's device operations, seen by
// the run engine through this narrow interface so that the engine knows no
// window. The console implements it over its main window and the link.
//
// Each operation is one top-level operation of the console (its own busy
// state from start to end) and returns the text the run log records as its
// outcome, or raises: EKelvorError with the message to show (a paradigm file
// that cannot be read, "The Kelvor 9 is not connected..."), or ESilentAbort
// when the line was lost during the operation (that loss has its own box).
#include <QByteArray>
#include <QString>

#include <functional>

namespace ScriptOutcome {
inline const QString Sent = QStringLiteral("sent");
inline const QString NoReply = QStringLiteral("no reply");
inline const QString NotSent = QStringLiteral("not sent");
inline const QString Loaded = QStringLiteral("loaded");
inline const QString Nothing = QStringLiteral("nothing to do");
// What a run logs and shows when the line to the device goes.
inline const QString LineLost = QStringLiteral("The connection to the Kelvor 9 was lost.");
} // namespace ScriptOutcome

class TScriptTarget {
public:
    virtual ~TScriptTarget() = default;

    // An operation (the operator's or an instruction's) or an exchange runs:
    // no instruction may start its own exchanges now.
    virtual bool Busy() const = 0;
    // Calls action once, from the event loop, after the busy state has ended
    // (or soon, when the console is not busy). It may come after the console
    // became busy again: the caller checks Busy() once more.
    virtual void CallWhenIdle(std::function<void()> action) = 0;

    // "sent".
    virtual QString TriggerChannel(int channel) = 0;
    // setting is the index of SettingNames, valueText the nine-character value.
    // The device's reply payload as it came ("OK.+150.0E-3", or its refusal),
    // "no reply", or "not sent" (a setting that sends nothing).
    virtual QString SetChannelParameter(int channel, int setting, const QString& valueText) = 0;
    // The letter of the mode the channel is in afterwards, the refusal
    // payload, or "no reply".
    virtual QString SetChannelMode(int channel, int mode) = 0;
    // "sent", the refusal payload, or "no reply".
    virtual QString SelectParadigm(int number) = 0;
    // "loaded", or "no reply" when the device did not answer the clear that
    // starts the load.
    virtual QString LoadParadigmFromFile(const QString& fileName) = 0;

    // A lost line. A target whose line cannot be lost keeps the defaults.
    //
    // The port the lost line was on ("COM9"), while it is not connected
    // again; empty otherwise.
    virtual QString LostPort() const { return {}; }
    // One try to reach the device again over the lost port (never a search),
    // reading its state once the port opens. The name of the port the
    // device is connected on once it is (also when the operator's F5 found
    // it meanwhile), else empty; empty too, without a try, while the console
    // is busy. Raises nothing.
    virtual QString Reconnect() { return {}; }
    // Called from the event loop when the line is lost, also while no
    // instruction runs (set by the run engine).
    std::function<void()> OnLineLost;

    // Reads the device's settings anew (a refresh, one operation like an
    // instruction's) and returns them as a paradigm file's bytes, the format
    // the console saves and loads (model/ParadigmFile.h). Channel 9's table
    // is not among them. Raises as the instructions do.
    virtual QByteArray ReadSettingsAsParadigmFile() = 0;
};
