#pragma once
// A running console as another program on the same session bus reaches it:
// kelvor9-link sends its text through the console when the console holds
// the port. Blocking calls; no event loop needed.
#include <QDBusConnection>
#include <QString>

class TConsoleClient {
public:
    // On the session bus, when there is one; a connection of its own, closed
    // with the object (a program that ends with a connection open may meet
    // the bus's thread still at work while its types are torn down).
    TConsoleClient();
    ~TConsoleClient();
    TConsoleClient(const TConsoleClient&) = delete;
    TConsoleClient& operator=(const TConsoleClient&) = delete;

    // The port the console holds: "COM9"; empty while it holds none, and
    // when no console is on the bus (or there is no bus).
    QString Port() const;

    // One Exchange through the console, waiting as long as a caller should
    // (RemoteNames::ReplyTimeoutMs). Either the payload, or the error's name
    // (RemoteNames::Error, or the bus's own) with its message.
    struct TOutcome {
        QString Payload;
        QString ErrorName;
        QString Message;
    };
    TOutcome Exchange(const QString& text) const;

private:
    QDBusConnection FBus;
};
