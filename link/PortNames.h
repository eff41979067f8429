#pragma once
// How the console and its tools find serial ports by their COM numbers.
//
// The port folder holds entries named COM<n> (usually symbolic links to a
// terminal or a pseudo-terminal). Without an entry, COM1 and COM2 are the
// built-in ports /dev/ttyS0 and /dev/ttyS1 and COMn (n >= 3) is the USB
// adapter /dev/ttyUSB<n-3>.
#include <QList>
#include <QString>

namespace PortNames {

// $KELVOR9_PORT_DIR, else $XDG_RUNTIME_DIR/kelvor9, else /tmp/kelvor9-<uid>.
QString DefaultPortFolder();

// "COMn" as a device path.
QString PortPath(int number, const QString& portFolder, const QString& devRoot = QStringLiteral("/dev"));

// True when <portFolder>/COMn resolves (a dangling link does not count).
bool HasFolderEntry(int number, const QString& portFolder);

// True when the tty named ttyName (e.g. "ttyUSB0") is driven by the FTDI USB
// serial driver, according to <sysfsRoot>/class/tty/<ttyName>/device/driver.
bool IsFtdiTty(const QString& ttyName, const QString& sysfsRoot);

// True when path (after following links) is a tty driven by the FTDI driver.
bool IsFtdiDevice(const QString& path, const QString& sysfsRoot);

// The USB virtual COM ports, ascending: every COMn with an entry in the port
// folder, and every COMn (n >= 3) whose /dev/ttyUSB<n-3> exists and is driven
// by ftdi_sio. The built-in ports are never candidates.
QList<int> CandidatePorts(const QString& portFolder, const QString& sysfsRoot,
                          const QString& devRoot = QStringLiteral("/dev"));

// The number n of a name "COMn" (exact upper case, decimal); 0 when it is not one.
int ComNumber(const QString& name);
// The name of port n: "COM9".
QString ComName(int number);

} // namespace PortNames
