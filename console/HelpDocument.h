#pragma once
// The help that F1 opens, and the desktop that opens it.
//
// The console's first releases shipped a compiled help file, "kelvor8.chm";
// where one lies in the program's folder it is opened as before. Otherwise
// the user guide in HTML is opened: beside the program (the build tree, or
// an installation that was moved) and else where it was installed.
#include <QString>

class QUrl;

// Hands a document to the desktop, which opens it with the user's program
// for it (a browser for the guide). Tests replace it so that no browser
// opens.
class TDesktopOpener {
public:
    virtual ~TDesktopOpener() = default;
    // False when the desktop could not open it.
    virtual bool Open(const QUrl& url);
};

namespace HelpDocument {

inline constexpr const char* HelpFileName = "kelvor8.chm";

// <prefix>/share/kelvor9/guide/index.html of the installation.
QString InstalledGuide();

// The help file in programFolder when it is there; else the guide beside
// the program (programFolder/../share/kelvor9/guide/index.html); else
// installedGuide when it is there; else empty.
QString Find(const QString& programFolder, const QString& installedGuide);

} // namespace HelpDocument
