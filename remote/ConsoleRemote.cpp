#include "ConsoleRemote.h"

#include <QRegularExpression>
#include <QTimer>

#include "RemoteArguments.h"
#include "RemoteNames.h"
#include "console/Main.h"
#include "link/CommUnit.h"
#include "scheduler/Scheduler.h"
#include "script/ScriptFile.h"
#include "script/ScriptReader.h"

TConsoleRemote::TConsoleRemote(TfrmMain& frmMain, TfrmScheduler& frmScheduler)
    : FMain(frmMain), FScheduler(frmScheduler)
{
}

bool TConsoleRemote::Busy() const
{
    return FMain.LinkBusy();
}

void TConsoleRemote::CallWhenIdle(std::function<void()> action)
{
    FMain.CallWhenLinkIdle(&FContext, std::move(action));
}

void TConsoleRemote::ShowStatus(const QString& text)
{
    FMain.SetStatusText(text);
}

// Nothing goes to a port that is not open: a lost line (its box has told
// the operator) or no device found.
void TConsoleRemote::RequireConnected() const
{
    if (FMain.IsConnected())
        return;
    const bool lost = FMain.Comm() && FMain.Comm()->LineLost();
    throw ERemoteError(RemoteNames::Error::NotConnected,
                       lost ? TfrmComm::LostMessage() : TfrmComm::NotConnectedMessage());
}

void TConsoleRemote::Trigger(int channel)
{
    RequireConnected();
    FMain.TriggerChannel(channel, TriggerSource::Remote);
}

std::optional<QString> TConsoleRemote::SetSetting(int channel, int setting, const TVexoValue& value)
{
    RequireConnected();
    QString refusal; // the payload carries it
    return FMain.SetChannelParameter(channel, setting, refusal, value);
}

std::optional<QString> TConsoleRemote::SetMode(int channel, int mode)
{
    RequireConnected();
    return FMain.SetChannelMode(channel, mode);
}

QChar TConsoleRemote::ModeLetterOf(int channel)
{
    return ModeLetter(FMain.Paradigm().Channel(channel).Mode);
}

QString TConsoleRemote::SelectParadigm(int number)
{
    RequireConnected();
    return FMain.SelectParadigm(number);
}

QString TConsoleRemote::LoadParadigmFile(const QString& path)
{
    RequireConnected();
    return FMain.LoadParadigmFromFile(path);
}

// The model is saved also while no device is connected, as the menu does.
void TConsoleRemote::SaveParadigmFile(const QString& path)
{
    FMain.SaveParadigmToFile(path);
}

void TConsoleRemote::Refresh()
{
    FMain.RefreshConnection();
    RequireConnected();
}

// As "Save and &Activate!" starts a run, with the editor's start of "00:00":
// the first instruction a second from now. The reader's refusals come
// before anything starts.
QString TConsoleRemote::StartScript(const QString& path)
{
    if (FScheduler.Active())
        throw ERemoteError(RemoteNames::Error::Busy,
                           QStringLiteral("A scheduled run is active. Its log: ") + FScheduler.RunLogFile());
    const TScriptLines lines = ScriptFile::Read(path);
    try {
        ScriptReader::ParseScript(lines.Lines());
    } catch (const EKelvorError& error) {
        throw ERemoteError(RemoteNames::Error::InvalidArgument, error.Message());
    }
    FScheduler.Activate(lines, QStringLiteral("00:00"));
    if (!FScheduler.Active())
        throw ERemoteError(RemoteNames::Error::InvalidArgument, QStringLiteral("The script has nothing to carry out."));
    return FScheduler.RunLogFile();
}

void TConsoleRemote::StopScript()
{
    FScheduler.Stop(TRunEnd::ByOperator);
}

// As kelvor9-link sends a text; what it changed on the device is read back
// so that the window shows it.
QString TConsoleRemote::Exchange(const QString& text)
{
    RequireConnected();
    TOperation operation(FMain.Comm());
    const QString payload = FMain.Comm()->Dialogue(text);
    static const QRegularExpression trigger(QStringLiteral("^T[1-9]$"));
    if (OnExchangedTrigger && trigger.match(text).hasMatch())
        OnExchangedTrigger(text.mid(1).toInt(), FMain.Comm()->LastFrameWrittenUs());
    if (!text.startsWith(QLatin1Char('G')))
        FMain.RefreshConnection();
    return payload;
}

// The settings each channel's grid has (channel 9's ends after its
// voltage), as read from the device.
TRemoteChannelList TConsoleRemote::Channels()
{
    TRemoteChannelList channels;
    for (int number = FirstDeviceNumber; number <= LastDeviceNumber; ++number) {
        const TChannel& channel = FMain.Paradigm().Channel(number);
        TRemoteChannel shown;
        shown.Number = number;
        shown.Mode = ModeNames.value(channel.Mode);
        for (int setting = 0; setting < SettingCount; ++setting) {
            const TVexoValue* value = channel.Settings.Value(setting);
            if (!value || value->IsUnset() || !RemoteArguments::ChannelHasSetting(number, setting))
                continue;
            shown.Settings.insert(SettingNames.at(setting), value->ToDeviceText());
        }
        channels.append(shown);
    }
    return channels;
}
