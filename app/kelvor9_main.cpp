// The console's program start: the application, its windows in their order,
// then the event loop until the main window closes.
#include "KelvorApplication.h"
#include "Main.h"
#include "OtherWindows.h"

int main(int argc, char** argv)
{
    TKelvorApplication app(argc, argv);
    TKelvorApplication::setApplicationName(QStringLiteral("Kelvor9"));
    TKelvorApplication::setOrganizationName(QStringLiteral("Kelvor9"));

    TfrmMain frmMain;
    TAboutBox aboutBox(&frmMain);
    TfrmScheduler frmScheduler(&frmMain);
    TfrmScriptEditor frmScriptEditor(&frmMain);
    TfrmProgressBar frmProgressBar(&frmMain);

    // The other windows stay hidden until used, so closing the main window
    // (the last visible one) ends the program.
    frmMain.show();
    frmMain.activateWindow();
    return app.exec();
}
