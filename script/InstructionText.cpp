#include "InstructionText.h"

#include "ScriptModel.h"

namespace InstructionText {

namespace {

QString ChangeChannel(int channel)
{
    return QStringLiteral("Change Channel ") + QString::number(channel);
}

} // namespace

QString Trigger(int channel)
{
    return KindNames.at(KindTrigger) + QLatin1Char(' ') + QString::number(channel);
}

QString Setting(int channel, int settingIndex, const QString& valueText)
{
    return ChangeChannel(channel) + QLatin1Char(' ') + SettingNames.value(settingIndex) + QStringLiteral(" to ")
        + valueText;
}

QString Mode(int channel, int modeIndex)
{
    return ChangeChannel(channel) + QStringLiteral(" mode to ") + ModeNames.value(modeIndex);
}

QString Paradigm(int number)
{
    return KindNames.at(KindParadigm) + QLatin1Char(' ') + QString::number(number);
}

QString LoadParadigm(const QString& path)
{
    return KindNames.at(KindLoadFile) + QLatin1Char(' ') + path;
}

QString Jump(const QString& destination, const QString& loops)
{
    return KindNames.at(KindJump) + QLatin1Char(' ') + destination + QStringLiteral(" Counting ") + loops
        + QStringLiteral(" Loops");
}

QString Line(const QString& startOffset, const QString& instruction)
{
    return startOffset + QLatin1Char(':') + instruction;
}

} // namespace InstructionText
