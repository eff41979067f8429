#include "OutsideEnd.h"

#include <QGuiApplication>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> EndSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's two ends: [0] read by the GUI thread, [1] written by the handler.
int SignalPipe[2] = {-1, -1};

// Runs in whatever thread the signal hits: only async-signal-safe calls.
void OnEndSignal(int number)
{
    const int savedErrno = errno;
    for (int end : EndSignals)
        std::signal(end, SIG_DFL);
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

QString SignalName(int number)
{
    switch (number) {
    case SIGTERM: return QStringLiteral("SIGTERM");
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGHUP: return QStringLiteral("SIGHUP");
    default: return QStringLiteral("signal %1").arg(number);
    }
}

} // namespace

TOutsideEnd& TOutsideEnd::Instance()
{
    static TOutsideEnd* instance = [] {
        auto* created = new TOutsideEnd;
        // Deleted with the application, whose event loop it serves.
        if (QCoreApplication::instance())
            created->setParent(QCoreApplication::instance());
        return created;
    }();
    return *instance;
}

void TOutsideEnd::InstallSignalHandlers()
{
    if (FNotifier)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return; // the signals keep their default action: the program ends at once
    ::fcntl(SignalPipe[1], F_SETFL, O_NONBLOCK);
    FNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TOutsideEnd::ReadSignalPipe);
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int end : EndSignals)
        ::sigaction(end, &action, nullptr);
    // The session manager asks before the desktop session ends; the console
    // winds down as for a signal, without a question to the operator.
#ifndef QT_NO_SESSIONMANAGER
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { Request(QStringLiteral("the desktop session ended")); });
#endif
}

void TOutsideEnd::ReadSignalPipe()
{
    char byte = 0;
    if (::read(SignalPipe[0], &byte, 1) == 1)
        Request(SignalName(static_cast<unsigned char>(byte)));
}

void TOutsideEnd::Request(const QString& reason)
{
    if (Requested())
        return;
    FReason = reason.isEmpty() ? QStringLiteral("an end from outside") : reason;
    emit EndRequested();
}
