#include "RemoteArguments.h"

#include <cmath>

#include "RemoteConsole.h"
#include "RemoteNames.h"
#include "link/ReplyFrame.h"
#include "script/ScriptModel.h"

namespace RemoteArguments {

namespace {

[[noreturn]] void Refuse(const QString& message)
{
    throw ERemoteError(RemoteNames::Error::InvalidArgument, message);
}

// "Duration, Delay, Interval, N, V or DV".
QString Choices(QStringList names)
{
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QStringList ValueSettingNames()
{
    QStringList names = SettingNames;
    names.removeAt(SettingShape);
    return names;
}

QString Number(double value) { return QString::number(value, 'g', 10); }

} // namespace

int Channel(int channel)
{
    if (!OnTheDevice(channel))
        Refuse(QStringLiteral("There is no channel %1: the Kelvor 9's channels are 1 to 9.").arg(channel));
    return channel;
}

int Paradigm(int number)
{
    if (!OnTheDevice(number))
        Refuse(QStringLiteral("There is no paradigm %1: the Kelvor 9's paradigms are 1 to 9.").arg(number));
    return number;
}

bool ChannelHasSetting(int channel, int setting)
{
    return !(channel == LastDeviceNumber && setting == SettingDeltaV);
}

int Setting(int channel, const QString& name)
{
    const int setting = IndexOfName(SettingNames, name);
    if (setting < 0 || setting == SettingShape)
        Refuse(QStringLiteral("\"%1\" is not a setting: %2.").arg(name, Choices(ValueSettingNames())));
    if (!ChannelHasSetting(channel, setting))
        Refuse(QStringLiteral("Channel 9 has no %1 setting.").arg(SettingNames.at(setting)));
    return setting;
}

TVexoValue SettingValue(int setting, double value)
{
    const QString& name = SettingNames.at(setting);
    if (!std::isfinite(value))
        Refuse(QStringLiteral("%1 is not a value for %2.").arg(Number(value), name));
    // Only the amplitudes have a sign label in the grid.
    const bool signedValue = setting == SettingVoltage || setting == SettingDeltaV;
    const double highest = SettingFieldMaximum(setting);
    const double lowest = signedValue ? -highest : 0;
    if (value < lowest || value > highest)
        Refuse(QStringLiteral("%1 is outside the range of %2: %3 to %4.")
                   .arg(Number(value), name, Number(lowest), Number(highest)));
    if (setting == SettingPulseCount && value != std::floor(value))
        Refuse(QStringLiteral("N is a count of pulses: %1 is not a whole number.").arg(Number(value)));
    if (value == 0 && ZeroIsNotSent(setting))
        Refuse(QStringLiteral("The console sends no %1 of 0.").arg(name));
    TVexoValue device;
    device.SetFromFloat(value);
    return device;
}

int Mode(const QString& name)
{
    const int mode = IndexOfName(ModeNames, name);
    if (mode < 0)
        Refuse(QStringLiteral("\"%1\" is not a mode: %2.").arg(name, Choices(ModeNames)));
    return mode;
}

QString DialogueText(const QString& text)
{
    if (text.isEmpty())
        Refuse(QStringLiteral("The text to send is empty."));
    if (const QString fault = ReplyFrame::DialogueTextFault(text); !fault.isEmpty())
        Refuse(fault);
    return text;
}

QString FileName(const QString& path)
{
    if (path.isEmpty())
        Refuse(QStringLiteral("The file name is empty."));
    return path;
}

} // namespace RemoteArguments
