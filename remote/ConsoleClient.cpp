#include "ConsoleClient.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include "RemoteNames.h"

namespace {

const QString ConnectionName = QStringLiteral("kelvor9-console-client");

} // namespace

TConsoleClient::TConsoleClient() : FBus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName)) {}

TConsoleClient::~TConsoleClient()
{
    FBus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(ConnectionName);
}

QString TConsoleClient::Port() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(RemoteNames::Service, RemoteNames::Path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << RemoteNames::Interface << QStringLiteral("Port");
    const QDBusMessage reply = FBus.call(get, QDBus::Block, RemoteNames::ReplyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toString();
}

TConsoleClient::TOutcome TConsoleClient::Exchange(const QString& text) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(RemoteNames::Service, RemoteNames::Path, RemoteNames::Interface,
                                                       QStringLiteral("Exchange"));
    call << text;
    const QDBusMessage reply = FBus.call(call, QDBus::Block, RemoteNames::ReplyTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        return {reply.arguments().constFirst().toString(), {}, {}};
    return {{}, reply.errorName(), reply.errorMessage()};
}
