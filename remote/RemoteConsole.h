#pragma once
// The console as a remote call sees it: its top-level operations, each one
// operation of its own (busy from start to end), as the operator's click or
// a script instruction would run it. The program implements it over the
// main window and the scheduler (ConsoleRemote.h); the fuzz target over a
// model and a fake link.
//
// Operations return what the device answered (a payload, empty when no reply
// came) and raise: ERemoteError for an outcome with a name of its own (not
// connected, a run already active, a script that does not read), EFileError,
// ESilentAbort when the line was lost meanwhile, other EKelvorError.
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

#include <functional>
#include <optional>

#include "base/KelvorErrors.h"
#include "model/VexoClasses.h"

// An error that ends a remote call under one of the names in RemoteNames::Error.
class ERemoteError : public EKelvorError {
public:
    ERemoteError(const QString& name, const QString& message) : EKelvorError(message), FName(name) {}
    const QString& Name() const { return FName; }

private:
    QString FName;
};

// One channel as the window shows it: its number, its mode's name, and the
// device's value text ("+150.0E-3") of each setting it has that was read.
struct TRemoteChannel {
    int Number = 0;
    QString Mode;
    QMap<QString, QString> Settings;
};
using TRemoteChannelList = QList<TRemoteChannel>;
Q_DECLARE_METATYPE(TRemoteChannel)
Q_DECLARE_METATYPE(TRemoteChannelList)

class TRemoteConsole {
public:
    virtual ~TRemoteConsole() = default;

    // An operation or an exchange runs: a remote call waits.
    virtual bool Busy() const = 0;
    // Calls action once, from the event loop, after the busy state has ended
    // (soon, when the console is not busy).
    virtual void CallWhenIdle(std::function<void()> action) = 0;
    // The status bar's left panel.
    virtual void ShowStatus(const QString& text) = 0;

    virtual void Trigger(int channel) = 0;
    // The payload, or nothing when nothing was sent.
    virtual std::optional<QString> SetSetting(int channel, int setting, const TVexoValue& value) = 0;
    // The payload, or nothing when nothing was sent (the channel is in that
    // mode already).
    virtual std::optional<QString> SetMode(int channel, int mode) = 0;
    // The letter of the mode the channel is in now.
    virtual QChar ModeLetterOf(int channel) = 0;
    virtual QString SelectParadigm(int number) = 0;
    // The payload to the clear that starts the load.
    virtual QString LoadParadigmFile(const QString& path) = 0;
    virtual void SaveParadigmFile(const QString& path) = 0;
    virtual void Refresh() = 0;
    // Starts a run of the script file; the run log's path.
    virtual QString StartScript(const QString& path) = 0;
    virtual void StopScript() = 0;
    // One dialogue; a text that changes the device is followed by a refresh.
    virtual QString Exchange(const QString& text) = 0;
    virtual TRemoteChannelList Channels() = 0;
};
