#include "MainWindowTarget.h"

#include "console/Main.h"
#include "link/CommUnit.h"
#include "link/PortNames.h"
#include "model/ParadigmFile.h"

namespace {

// A payload, or "no reply" for the empty one.
QString Reply(const QString& payload)
{
    return payload.isEmpty() ? ScriptOutcome::NoReply : payload;
}

} // namespace

// Queued: the news comes inside the serial hand-over, where nothing may
// serve events or start an exchange.
TMainWindowTarget::TMainWindowTarget(TfrmMain& frmMain) : FMain(frmMain)
{
    QObject::connect(
        &frmMain, &TfrmMain::DeviceLost, &FContext,
        [this] {
            if (OnLineLost)
                OnLineLost();
        },
        Qt::QueuedConnection);
}

bool TMainWindowTarget::Busy() const
{
    return FMain.LinkBusy();
}

void TMainWindowTarget::CallWhenIdle(std::function<void()> action)
{
    FMain.CallWhenLinkIdle(&FContext, std::move(action));
}

// The line went while the run waited for this instruction. Its box has told
// the operator; a second one ("not connected") would only repeat it. The
// run learns of the loss from the silent abort and waits for the device
// (Reconnect) before this instruction is dealt with.
void TMainWindowTarget::EndIfLineLost() const
{
    if (FMain.Comm() && FMain.Comm()->LineLost())
        throw ESilentAbort(TfrmComm::LostMessage());
}

QString TMainWindowTarget::TriggerChannel(int channel)
{
    EndIfLineLost();
    TOperation operation(FMain.Comm());
    FMain.TriggerChannel(channel, TriggerSource::Script);
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

QString TMainWindowTarget::LostPort() const
{
    const TfrmComm* comm = FMain.Comm();
    return comm && comm->LostPort() > 0 ? PortNames::ComName(comm->LostPort()) : QString();
}

// The lost port alone is opened (it was closed at the loss), never a
// search; a port that is open already (the operator's F5 found the device,
// or a try opened the port and the device did not answer) is taken as it
// is. Either way the device's state is read: the run goes on only once the
// device has answered, and its next instructions start from what it holds.
QString TMainWindowTarget::Reconnect()
{
    TfrmComm* comm = FMain.Comm();
    if (!comm || comm->Busy())
        return {};
    try {
        TOperation operation(comm);
        if (comm->LineLost())
            comm->Reopen();
        if (!FMain.IsConnected() || !FMain.RefreshConnection())
            return {};
    } catch (const EKelvorError&) {
        // Not there yet, silent, or lost again on the way: the next try follows.
        return {};
    }
    return FMain.IsConnected() && !comm->LineLost() ? PortNames::ComName(comm->Port()) : QString();
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
