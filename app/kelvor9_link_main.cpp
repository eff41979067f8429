// kelvor9-link [COMn] TEXT
//
// Opens the port the way the console does (the COM argument, or the search for
// a USB virtual COM port when there is none), sends TEXT as a dialogue and
// prints the reply payload. Exit status: 0 a payload beginning "OK.", 3 any
// other payload (a refusal, still printed), 1 no reply (none in time, a
// length of 0000, or no device found), 2 an error or a usage mistake.
#include "link/CommInt.h"
#include "link/CommUnit.h"
#include "link/ReplyFrame.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace {

// The frame's length field has four digits and the dialogue adds the reply
// request "R": the text itself may have one character less.
constexpr int LongestText = ReplyFrame::LongestFramedText - 1;

const char* const UsageText = "usage: kelvor9-link [COMn] TEXT\n"
                              "Sends TEXT to the Kelvor 9 as a command and prints its reply.\n"
                              "TEXT is at most 9998 characters of Latin-1 (the device's 8-bit characters).\n";

bool IsComArgument(const QString& arg)
{
    return arg.left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0;
}

// "COM9" alone is a port whose text was forgotten, not a command: the
// device has no command of that shape.
bool NamesAPort(const QString& arg)
{
    static const QRegularExpression port(QStringLiteral("^COM[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    return port.match(arg).hasMatch();
}

int Fail(const QString& message)
{
    QTextStream(stderr) << message << '\n';
    return 2;
}

int UsageMistake(const QString& message)
{
    QTextStream(stderr) << message << '\n' << UsageText;
    return 2;
}

// The device's 8-bit characters: text that has none for a character cannot
// be sent (it would go out as "?").
bool IsLatin1(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// Why the arguments cannot be sent, or nothing when they can.
std::optional<int> RefuseArguments(const QStringList& args)
{
    if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && !IsComArgument(args[0]))) {
        std::fputs(UsageText, stderr);
        return 2;
    }
    if (args.size() == 1 && NamesAPort(args[0]))
        return UsageMistake(QStringLiteral("the text to send is missing"));
    const QString& text = args.last();
    if (text.isEmpty())
        return UsageMistake(QStringLiteral("the text to send is empty"));
    if (!IsLatin1(text))
        return Fail(QStringLiteral("The text holds characters the Kelvor 9 cannot receive (only Latin-1 characters "
                                   "can be sent)."));
    if (text.size() > LongestText)
        return Fail(QStringLiteral("The text is too long: %1 characters, at most %2.").arg(text.size()).arg(LongestText));
    return std::nullopt;
}

// A port another program holds open: the lock refuses root (EAGAIN), the
// terminal's exclusive mode everyone else (EBUSY). Most often that program
// is the console itself.
QString OpenFailure(const ECommError& error)
{
    QString message = error.Message().trimmed();
    if (error.ErrorCode() == EAGAIN || error.ErrorCode() == EBUSY)
        message += QStringLiteral(": the port is in use by another program (is the console running?)");
    return message;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const QString program = args.value(0);
    args.removeFirst();
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(UsageText, stdout);
        return 0;
    }
    if (const std::optional<int> refused = RefuseArguments(args))
        return *refused;

    TfrmComm link;
    QStringList arguments { program };
    if (args.size() == 2)
        arguments << args[0];
    link.Settings().Arguments = arguments;
    try {
        try {
            link.Connect();
        } catch (const ECommError& error) {
            return Fail(OpenFailure(error));
        }
        if (link.Port() <= 0) {
            std::fputs("No Kelvor 9 found.\n", stderr);
            return 1;
        }
        const QString reply = link.Dialogue(args.last());
        if (reply.isEmpty()) {
            std::fputs("No reply from the Kelvor 9.\n", stderr);
            return 1;
        }
        // The payload's bytes as they came, one byte per character.
        const QByteArray bytes = reply.toLatin1() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return reply.startsWith(QLatin1String("OK.")) ? 0 : 3;
    } catch (const EKelvorError& error) {
        return Fail(error.Message().trimmed());
    }
}
