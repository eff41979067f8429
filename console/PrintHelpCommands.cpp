// The main window's commands that do not talk to the device: showing the
// monitor, the printer setup, the print scale and printing, the help and
// the about box.
#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include "AboutBox.h"
#include "HelpDocument.h"
#include "Main.h"
#include "MonitorWindow.h"
#include "Printing.h"
#include "link/CommUnit.h"
#include "model/FileWriter.h"
#include "ui/FileDialogKinds.h"
#include "ui/KelvorApplication.h"
#include "ui/SettingsKeys.h"
#include "ui/UserDialogs.h"
#include "ui/WindowPlacement.h"

void TfrmMain::BindPrintHelpCommands()
{
    FDesktop = std::make_shared<TDesktopOpener>();
    connect(ShowMonitor1, &QAction::triggered, this, Command([this] { ShowMonitor1Click(); }));
    connect(PrintSetup1, &QAction::triggered, this, Command([this] { PrintSetup1Click(); }));
    connect(Print1, &QAction::triggered, this, Command([this] { Print1Click(); }));
    connect(Contents1, &QAction::triggered, this, Command([this] { Contents1Click(); }));
    connect(About1, &QAction::triggered, this, Command([this] { About1Click(); }));

    // A fresh installation stores nothing: screen size stays checked.
    QSettings settings;
    for (int i = 0; i < 3; ++i) {
        if (settings.contains(SettingsKeys::PrintScaleChecked[i]))
            ScaleItems[i]->setChecked(settings.value(SettingsKeys::PrintScaleChecked[i]).toBool());
        connect(ScaleItems[i], &QAction::triggered, this, Command([this] { PrinterScaleClick(); }));
    }
}

void TfrmMain::SetDesktop(std::shared_ptr<TDesktopOpener> desktop)
{
    FDesktop = std::move(desktop);
}

// ---- the monitor ------------------------------------------------------------

void TfrmMain::CreateMonitor()
{
    FMonitor = std::make_unique<TfrmMonitor>([this]() -> TUserDialogs& { return Dialogs(); });
    frmComm->AttachView(FMonitor.get());
}

void TfrmMain::ShowMonitor1Click()
{
    if (!FMonitor)
        return;
    WindowPlacement::ShowBeside(FMonitor.get(), this, FMonitor->HasStoredPosition());
}

// ---- printing ---------------------------------------------------------------

// Made when first needed: asking the print system for its printers may take
// a while, and most sessions never print.
QPrinter& TfrmMain::Printer()
{
    if (!FPrinter)
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *FPrinter;
}

// Chooses the printer and its settings for later printing; it prints
// nothing itself, so its button says OK.
void TfrmMain::PrintSetup1Click()
{
    QPrintDialog dialog(&Printer(), this);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    }
    dialog.exec();
    ReturnFocusTo(this);
}

void TfrmMain::PrinterScaleClick()
{
    QSettings settings;
    for (int i = 0; i < 3; ++i)
        settings.setValue(SettingsKeys::PrintScaleChecked[i], ScaleItems[i]->isChecked());
}

// One page with the picture of the client area (below the menu bar). With
// no printer installed, or with a PDF file chosen in the printer setup, the
// page goes to a PDF file, written whole or not at all.
void TfrmMain::Print1Click()
{
    for (int i = 0; i < 3; ++i) {
        if (ScaleItems[i]->isChecked())
            FPrintScale = i;
    }
    const auto scale = TPrintScale(FPrintScale);
    const int top = centralWidget()->y();
    const QPixmap picture = grab(QRect(0, top, width(), height() - top));
    QPrinter& printer = Printer();
    if (printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty()) {
        PrintPicture(printer, picture, scale, logicalDpiX());
        return;
    }
    QString fileName = printer.outputFileName();
    if (fileName.isEmpty()) {
        fileName = Dialogs().AskSaveFileName(this, FileDialogOptions(TFileDialogKind::PrintToPdf));
        if (fileName.isEmpty())
            return;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setCreator(QStringLiteral("Kelvor 9"));
        writer.setPageLayout(printer.pageLayout());
        writer.setResolution(printer.resolution());
        PrintPicture(writer, picture, scale, logicalDpiX());
    }
    FileWriter::WriteAtomically(fileName, pdf.data());
}

// ---- help and about ---------------------------------------------------------

// Nothing is reported when the desktop cannot open the help.
void TfrmMain::Contents1Click()
{
    const QString document =
        HelpDocument::Find(QCoreApplication::applicationDirPath(), HelpDocument::InstalledGuide());
    if (!document.isEmpty() && FDesktop)
        FDesktop->Open(QUrl::fromLocalFile(document));
}

void TfrmMain::About1Click()
{
    auto* box = findChild<TAboutBox*>(QString(), Qt::FindDirectChildrenOnly);
    if (!box)
        box = new TAboutBox(this);
    box->exec();
    ReturnFocusTo(this);
}
