// kelvor9-link [COMn] TEXT
//
// Opens the port the way the console does (the COM argument, or the search for
// a USB virtual COM port when there is none), sends TEXT as a dialogue and
// prints the reply payload. Exit status: 0 a payload beginning "OK.", 3 any
// other payload (a refusal, still printed), 1 no reply (none in time, a
// length of 0000, or no device found), 2 an error or a usage mistake.
#include "CommUnit.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

int Usage()
{
    std::fputs("usage: kelvor9-link [COMn] TEXT\n"
               "Sends TEXT to the Kelvor 9 as a command and prints its reply.\n",
               stderr);
    return 2;
}

bool IsComArgument(const QString& arg)
{
    return arg.left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const QString program = args.value(0);
    args.removeFirst();
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        Usage();
        return 0;
    }
    if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && !IsComArgument(args[0])))
        return Usage();

    const QString text = args.last();
    TfrmComm link;
    link.Settings().Arguments = QStringList(args.size() == 2 ? QStringList { program, args[0] } : QStringList { program });
    try {
        link.Connect();
        if (link.FPort <= 0) {
            std::fputs("No Kelvor 9 found.\n", stderr);
            return 1;
        }
        const QString reply = link.Dialogue(text);
        if (reply.isEmpty()) {
            std::fputs("No reply from the Kelvor 9.\n", stderr);
            return 1;
        }
        QTextStream(stdout) << reply << '\n';
        return reply.startsWith(QLatin1String("OK.")) ? 0 : 3;
    } catch (const EKelvorError& error) {
        QTextStream(stderr) << error.Message().trimmed() << '\n';
        return 2;
    }
}
