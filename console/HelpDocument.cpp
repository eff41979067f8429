#include "HelpDocument.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

bool TDesktopOpener::Open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

namespace HelpDocument {

QString InstalledGuide()
{
    return QStringLiteral(KELVOR9_GUIDE_INSTALLED);
}

QString Find(const QString& programFolder, const QString& installedGuide)
{
    const QDir folder(programFolder);
    const QString candidates[] = {
        folder.filePath(QLatin1String(HelpFileName)),
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/kelvor9/guide/index.html"))),
        installedGuide,
    };
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace HelpDocument
