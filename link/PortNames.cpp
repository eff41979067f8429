#include "PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <unistd.h>

namespace PortNames {

QString DefaultPortFolder()
{
    const QString explicitFolder = qEnvironmentVariable("KELVOR9_PORT_DIR");
    if (!explicitFolder.isEmpty())
        return explicitFolder;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/kelvor9");
    return QStringLiteral("/tmp/kelvor9-%1").arg(::getuid());
}

bool HasFolderEntry(int number, const QString& portFolder)
{
    // QFileInfo::exists follows links, so a dangling link does not count.
    return number > 0 && !portFolder.isEmpty()
        && QFileInfo::exists(QStringLiteral("%1/COM%2").arg(portFolder).arg(number));
}

QString PortPath(int number, const QString& portFolder, const QString& devRoot)
{
    if (HasFolderEntry(number, portFolder))
        return QStringLiteral("%1/COM%2").arg(portFolder).arg(number);
    if (number == 1 || number == 2)
        return QStringLiteral("%1/ttyS%2").arg(devRoot).arg(number - 1);
    return QStringLiteral("%1/ttyUSB%2").arg(devRoot).arg(number - 3);
}

bool IsFtdiTty(const QString& ttyName, const QString& sysfsRoot)
{
    const QFileInfo driver(QStringLiteral("%1/class/tty/%2/device/driver").arg(sysfsRoot, ttyName));
    const QString target = driver.symLinkTarget();
    return !target.isEmpty() && QFileInfo(target).fileName() == QLatin1String("ftdi_sio");
}

bool IsFtdiDevice(const QString& path, const QString& sysfsRoot)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (resolved.isEmpty())
        return false;
    return IsFtdiTty(QFileInfo(resolved).fileName(), sysfsRoot);
}

int ComNumber(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,5})$"));
    const auto match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString ComName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

QList<int> CandidatePorts(const QString& portFolder, const QString& sysfsRoot, const QString& devRoot)
{
    QSet<int> found;
    if (!portFolder.isEmpty()) {
        const QStringList entries = QDir(portFolder).entryList({ QStringLiteral("COM*") },
                                                               QDir::System | QDir::Files | QDir::AllEntries
                                                                   | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            const int number = ComNumber(entry);
            if (number > 0 && HasFolderEntry(number, portFolder))
                found.insert(number);
        }
    }
    static const QRegularExpression usbName(QStringLiteral("^ttyUSB([0-9]{1,5})$"));
    const QStringList devices = QDir(devRoot).entryList({ QStringLiteral("ttyUSB*") },
                                                        QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& device : devices) {
        const auto match = usbName.match(device);
        if (match.hasMatch() && IsFtdiTty(device, sysfsRoot))
            found.insert(match.captured(1).toInt() + 3);
    }
    QList<int> numbers(found.begin(), found.end());
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace PortNames
