#include "ScriptReader.h"

#include <limits>

namespace ScriptReader {

namespace {

const QString ChangeChannel = QStringLiteral("Change Channel");
constexpr int ChannelPos = 15;      // the channel digit, after "Change Channel "
constexpr int SettingPos = 17;      // the setting name, after the digit and a blank
constexpr int ModeNamePos = 25;     // the mode name, after " mode to "
constexpr int LongTimeColonPos = 12; // "HH:MM:SS:mmm:" has its fourth colon here
constexpr int CountingWidth = 9;    // "Counting" and the blank after it

[[noreturn]] void Refuse(const QString& quoted, const char* what)
{
    throw EScriptError(QStringLiteral("Error In Script. ") + quoted + QLatin1String(what));
}

[[noreturn]] void NotACommand(const QString& quoted) { Refuse(quoted, " is not a Valid command."); }

// Blanks and control characters go at both ends; other white space (a
// no-break space in a file name) stays.
QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= ' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= ' ')
        --last;
    return text.mid(first, last - first);
}

// A decimal integer: an optional sign and at least one digit, nothing else.
bool ParseInteger(QStringView text, int& value)
{
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text.at(0) == QLatin1Char('-');
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+')))
        ++i;
    if (i == text.size())
        return false;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > qint64(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    const qint64 signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max())
        return false;
    value = int(signedValue);
    return true;
}

// The one-digit channel of "Change Channel 2 ...". A second digit after it
// would make another number, which no channel has.
int ChannelOf(const QString& instruction)
{
    int channel = 0;
    if (!ParseInteger(QStringView(instruction).mid(ChannelPos, 1), channel) || !OnTheDevice(channel)
        || (instruction.size() > ChannelPos + 1 && instruction.at(ChannelPos + 1).isDigit()))
        NotACommand(instruction);
    return channel;
}

// "Change Channel 2 Duration to +00150E-3": the setting name ends at the
// first blank; the value text starts after " to ", which is not checked.
TVariantArray SettingParams(const QString& instruction)
{
    const int channel = ChannelOf(instruction);
    const QString rest = TrimBlanks(instruction.mid(SettingPos));
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    const QString name = blank < 0 ? rest : rest.left(blank);
    const QString value = blank < 0 ? QString() : rest.mid(blank + 4);
    const int setting = IndexOfName(SettingNames, name);
    if (setting < 0)
        Refuse(name, " is not a Valid Channel Setting.");
    return {channel, setting, value};
}

// "Change Channel 2 mode to Twin". An unknown mode name is refused here:
// run, it would send the device the off letter while the console marked the
// channel as switched on.
TVariantArray ModeParams(const QString& instruction)
{
    const int channel = ChannelOf(instruction);
    const int mode = IndexOfName(ModeNames, TrimBlanks(instruction.mid(ModeNamePos)));
    if (mode < 0)
        NotACommand(instruction);
    return {channel, mode};
}

// "Trigger Channel 3", "Change Paradigm To 5".
TVariantArray NumberParams(const QString& instruction, const QString& argument)
{
    int number = 0;
    if (!ParseInteger(argument, number))
        throw EConvertError::NotInteger(argument);
    if (!OnTheDevice(number))
        NotACommand(instruction);
    return {number};
}

// "00:00:10 Counting 3 Loops": the destination before "Counting", the loop
// count between the blank after "Counting" and the blank before "Loops".
TVariantArray JumpParams(const QString& argument)
{
    const qsizetype counting = argument.indexOf(QLatin1String("Counting"));
    const qsizetype loops = argument.indexOf(QLatin1String("Loops"));
    if (counting < 0 || loops < 0 || loops - counting < CountingWidth)
        NotACommand(argument);
    const QString destinationText = argument.left(counting);
    double destination = 0;
    if (!ParseScriptTime(destinationText, destination))
        Refuse(destinationText, " is not a Valid time.");
    const qsizetype countLength = loops - counting - CountingWidth - 1;
    int count = 0;
    if (countLength <= 0 || !ParseInteger(QStringView(argument).mid(counting + CountingWidth, countLength), count))
        NotACommand(argument);
    return {destination, count};
}

} // namespace

bool ParseScriptTime(const QString& text, double& time)
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int ms = 0;
    const QStringView view(text);
    if (!ParseInteger(view.mid(0, 2), hours) || !ParseInteger(view.mid(3, 2), minutes)
        || !ParseInteger(view.mid(6, 2), seconds))
        return false;
    if (text.size() >= 12 && !ParseInteger(view.mid(9, 3), ms))
        return false;
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 || ms < 0
        || ms > 999)
        return false;
    time = DayFractionFromMs(((qint64(hours) * 60 + minutes) * 60 + seconds) * 1000 + ms);
    return true;
}

TCommand ParseScriptLine(const QString& line)
{
    TCommand command;
    if (line.isEmpty())
        return command;

    const bool longForm = line.size() > LongTimeColonPos && line.at(LongTimeColonPos) == QLatin1Char(':');
    const QString timeText = longForm ? line.left(12) : line.left(8);
    const QString instruction = TrimBlanks(line.mid(longForm ? 13 : 9));
    if (!ParseScriptTime(timeText, command.Time))
        Refuse(line.left(12), " is not a Valid time.");

    QString argument;
    if (instruction.left(ChangeChannel.size()).compare(ChangeChannel, Qt::CaseInsensitive) == 0) {
        // Only the lower-case word selects the mode form: "MODE" reads as a setting name.
        command.Kind = instruction.indexOf(QLatin1String("mode")) >= 1 ? KindMode : KindSetting;
    } else {
        for (int kind = 0; kind < KindNames.size(); ++kind) {
            const QString& name = KindNames.at(kind);
            if (instruction.startsWith(name)) {
                command.Kind = quint8(kind);
                // The one character after the name is skipped unchecked.
                argument = TrimBlanks(instruction.mid(name.size() + 1));
                break;
            }
        }
    }

    switch (command.Kind) {
    case KindTrigger:
    case KindParadigm:
        command.Params = NumberParams(instruction, argument);
        break;
    case KindLoadFile:
        command.Params = {argument};
        break;
    case KindSetting:
        command.Params = SettingParams(instruction);
        break;
    case KindMode:
        command.Params = ModeParams(instruction);
        break;
    case KindJump:
        command.Params = JumpParams(argument);
        break;
    default:
        break;
    }
    return command;
}

TCommandsArray ParseScript(const QStringList& lines)
{
    TCommandsArray commands(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        TCommand& command = commands[size_t(i)];
        command = ParseScriptLine(lines.at(i));
        command.Index = qint32(i);
        command.Counter = 0;
    }
    for (TCommand& command : commands) {
        if (command.Kind != KindJump)
            continue;
        command.JumpTo = FindDestination(commands, command.Params.at(0).toDouble());
        command.Loops = command.Params.at(1).toInt();
        if (command.JumpTo < 0)
            throw EScriptError(QStringLiteral("Error In Script, at Line %1.\r\nDestination Time is outside the script.")
                                   .arg(command.Index + 1));
    }
    return commands;
}

int FindDestination(const TCommandsArray& commands, double time)
{
    for (size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].Time >= time)
            return int(i);
    }
    return -1;
}

} // namespace ScriptReader
