// kelvor9-link [--direct] [--verbose] [COMn] TEXT
//
// Opens the port the way the console does (the COM argument, or the search for
// a USB virtual COM port when there is none), sends TEXT as a dialogue and
// prints the reply payload. Exit status: 0 a payload beginning "OK.", 3 any
// other payload (a refusal, still printed), 1 no reply (none in time, a
// length of 0000, or no device found), 2 an error or a usage mistake.
//
// A running console holds its port for itself. Then the text goes through
// the console on the session bus (its Exchange call), with the same output
// and exit status: when the named port cannot be opened because another
// program holds it and that program is the console, or without a COM
// argument whenever a console with a device runs. --direct never does.
#include "link/CommInt.h"
#include "link/CommUnit.h"
#include "link/ReplyFrame.h"
#include "remote/ConsoleClient.h"
#include "remote/RemoteNames.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

const char* const UsageText =
    "usage: kelvor9-link [--direct] [--verbose] [COMn] TEXT\n"
    "Sends TEXT to the Kelvor 9 as a command and prints its reply.\n"
    "TEXT is at most 9998 characters of Latin-1 (the device's 8-bit characters).\n"
    "While the console runs and holds the port, the text goes through the console.\n"
    "  --direct   open the port directly, never through the console\n"
    "  --verbose  say on standard error which way the text went\n";

struct TOptions {
    bool Direct = false;
    bool Verbose = false;
};

// The switches before the arguments; what follows them is the port and text.
TOptions TakeOptions(QStringList& args)
{
    TOptions options;
    while (!args.isEmpty()) {
        if (args.first() == QLatin1String("--direct"))
            options.Direct = true;
        else if (args.first() == QLatin1String("--verbose"))
            options.Verbose = true;
        else
            break;
        args.removeFirst();
    }
    return options;
}

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
    if (const QString fault = ReplyFrame::DialogueTextFault(text); !fault.isEmpty())
        return Fail(fault);
    return std::nullopt;
}

// A port another program holds open: the lock refuses root (EAGAIN), the
// terminal's exclusive mode everyone else (EBUSY). Most often that program
// is the console itself.
bool HeldByAnother(const ECommError& error)
{
    return error.ErrorCode() == EAGAIN || error.ErrorCode() == EBUSY;
}

QString OpenFailure(const ECommError& error)
{
    QString message = error.Message().trimmed();
    if (HeldByAnother(error))
        message += QStringLiteral(": the port is in use by another program (is the console running?)");
    return message;
}

void Tell(const TOptions& options, const QString& way)
{
    if (options.Verbose)
        QTextStream(stderr) << "kelvor9-link: " << way << '\n';
}

// The payload's bytes as they came, one byte per character.
int PrintReply(const QString& reply)
{
    const QByteArray bytes = reply.toLatin1() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return reply.startsWith(QLatin1String("OK.")) ? 0 : 3;
}

int NoReply()
{
    std::fputs("No reply from the Kelvor 9.\n", stderr);
    return 1;
}

// The console's errors as the exit status says them: its refusal is the
// device's reply, printed; no reply 1; anything else an error.
int ThroughConsole(const TConsoleClient& console, const QString& port, const QString& text, const TOptions& options)
{
    Tell(options, QStringLiteral("through the console on the session bus (%1, %2)").arg(RemoteNames::Service, port));
    const TConsoleClient::TOutcome outcome = console.Exchange(text);
    if (outcome.ErrorName.isEmpty())
        return PrintReply(outcome.Payload);
    if (outcome.ErrorName == RemoteNames::Error::Refused) {
        PrintReply(outcome.Message);
        return 3;
    }
    if (outcome.ErrorName == RemoteNames::Error::NoReply)
        return NoReply();
    return Fail(outcome.Message);
}

bool SamePort(const QString& a, const QString& b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

int Run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const QString program = args.value(0);
    args.removeFirst();
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(UsageText, stdout);
        return 0;
    }
    const TOptions options = TakeOptions(args);
    if (const std::optional<int> refused = RefuseArguments(args))
        return *refused;
    const QString& text = args.last();
    const QString named = args.size() == 2 ? args[0] : QString();

    // Without a port named, a running console with a device is asked first.
    if (!options.Direct && named.isEmpty()) {
        const TConsoleClient console;
        if (const QString port = console.Port(); !port.isEmpty())
            return ThroughConsole(console, port, text, options);
    }

    TfrmComm link;
    QStringList arguments { program };
    if (!named.isEmpty())
        arguments << named;
    link.Settings().Arguments = arguments;
    try {
        try {
            link.Connect();
        } catch (const ECommError& error) {
            // Held: by the console, when it says the port is the one it holds.
            if (!options.Direct && HeldByAnother(error)) {
                const TConsoleClient console;
                if (const QString port = console.Port(); SamePort(port, named))
                    return ThroughConsole(console, port, text, options);
            }
            return Fail(OpenFailure(error));
        }
        if (link.Port() <= 0) {
            std::fputs("No Kelvor 9 found.\n", stderr);
            return 1;
        }
        Tell(options, QStringLiteral("directly on COM%1").arg(link.Port()));
        const QString reply = link.Dialogue(text);
        if (reply.isEmpty())
            return NoReply();
        return PrintReply(reply);
    } catch (const EKelvorError& error) {
        return Fail(error.Message().trimmed());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const int status = Run(argc, argv);
    // Everything of the program has ended inside Run (the port is closed, the
    // bus connection dropped). The library's own teardown is skipped: the
    // D-Bus thread may still be handing a late signal from the bus on while
    // the type registry it needs is destroyed, and it would then write
    // warnings into the program's error output.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
