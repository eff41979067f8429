#include "MainWindowTarget.h"

#include <QTimer>

#include "console/Main.h"
#include "link/CommUnit.h"
#include "model/ParadigmFile.h"

namespace {

// A payload, or "no reply" for the empty one.
QString Reply(const QString& payload)
{
    return payload.isEmpty() ? ScriptOutcome::NoReply : payload;
}

} // namespace

TMainWindowTarget::TMainWindowTarget(TfrmMain& frmMain) : FMain(frmMain) {}

bool TMainWindowTarget::Busy() const
{
    return FMain.Comm() && FMain.Comm()->Busy();
}

// BusyEnded is emitted while the link is still unwinding the operation that
// ended; the action (device work) runs from the event loop afterwards.
void TMainWindowTarget::CallWhenIdle(std::function<void()> action)
{
    if (!Busy()) {
        QTimer::singleShot(0, &FContext, std::move(action));
        return;
    }
    QObject::connect(FMain.Comm(), &TfrmComm::BusyEnded, &FContext, std::move(action),
                     Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

// The line went while the run waited for this instruction. Its box has told
// the operator; a second one ("not connected") would only repeat it. The
// instruction ends with the loss as its outcome, and the run halts there.
// Once F5 has opened the port again, instructions go to the device again.
void TMainWindowTarget::EndIfLineLost() const
{
    if (FMain.Comm() && FMain.Comm()->LineLost())
        throw ESilentAbort(TfrmComm::LostMessage());
}

QString TMainWindowTarget::TriggerChannel(int channel)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    FMain.TriggerChannel(channel);
    return ScriptOutcome::Sent;
}

QString TMainWindowTarget::SetChannelParameter(int channel, int setting, const QString& valueText)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    const std::optional<QString> payload = FMain.SetChannelParameterFromText(channel, setting, valueText);
    return payload ? Reply(*payload) : ScriptOutcome::NotSent;
}

QString TMainWindowTarget::SetChannelMode(int channel, int mode)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    const std::optional<QString> payload = FMain.SetChannelMode(channel, mode);
    // Nothing sent: the channel stays in the mode it is in.
    if (!payload)
        return QString(ModeLetter(FMain.Paradigm().Channel(channel).Mode));
    if (IsSuccessReply(*payload) && payload->size() > 3)
        return QString(payload->at(3));
    return Reply(*payload);
}

QString TMainWindowTarget::SelectParadigm(int number)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    const QString payload = FMain.SelectParadigm(number);
    return IsSuccessReply(payload) ? ScriptOutcome::Sent : Reply(payload);
}

QString TMainWindowTarget::LoadParadigmFromFile(const QString& fileName)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    // The batch itself is never answered; the answer to the clear before it
    // tells whether the device took the load at all.
    return FMain.LoadParadigmFromFile(fileName).isEmpty() ? ScriptOutcome::NoReply : ScriptOutcome::Loaded;
}

// Never a search for the device: a run's record reads the device it runs on.
// What the console last knew is no record of the device: a device that does
// not answer gives none.
QByteArray TMainWindowTarget::ReadSettingsAsParadigmFile()
{
    EndIfLineLost();
    if (!FMain.IsConnected())
        throw EKelvorError(TfrmComm::NotConnectedMessage());
    TOperation operation(FMain.Comm());
    FMain.RefreshConnection();
    if (!FMain.DeviceStateRead())
        throw EKelvorError(QStringLiteral("Kelvor 9 device is not responding."));
    return ParadigmFile::Text(FMain.Paradigm());
}
