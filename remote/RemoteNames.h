#pragma once
// The console's names on the session bus: other programs (kelvor9-link, a
// lab's acquisition software) call these, so they never change. The
// interface itself is described in org.kelvor9.Console1.xml.
#include <QString>

namespace RemoteNames {

inline const QString Service = QStringLiteral("org.kelvor9.Console");
inline const QString Path = QStringLiteral("/org/kelvor9/Console");
inline const QString Interface = QStringLiteral("org.kelvor9.Console1");

// The errors a call may end with; each carries the console's own message.
namespace Error {
inline const QString NotConnected = QStringLiteral("org.kelvor9.Console1.Error.NotConnected");
inline const QString Refused = QStringLiteral("org.kelvor9.Console1.Error.Refused");
inline const QString NoReply = QStringLiteral("org.kelvor9.Console1.Error.NoReply");
inline const QString Busy = QStringLiteral("org.kelvor9.Console1.Error.Busy");
inline const QString InvalidArgument = QStringLiteral("org.kelvor9.Console1.Error.InvalidArgument");
inline const QString FileError = QStringLiteral("org.kelvor9.Console1.Error.FileError");
// Anything else that ended the call (a port failure, a reply that cannot
// be read).
inline const QString Failed = QStringLiteral("org.kelvor9.Console1.Error.Failed");
} // namespace Error

// A caller waits at least this long for a reply: a call may wait 20 s for
// the console and then as long as the device needs (D-Bus clients give up
// after 25 s unless told otherwise).
inline constexpr int ReplyTimeoutMs = 120'000;

} // namespace RemoteNames
