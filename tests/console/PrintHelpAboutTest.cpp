// Printing a picture of the main window, the help and the about box.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "ConsoleFixture.h"
#include "console/AboutBox.h"
#include "console/HelpDocument.h"
#include "console/Printing.h"
#include "console/ProgramVersion.h"

namespace {

QString OutputOf(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return QStringLiteral("<%1 did not run>").arg(program);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The fields of each image line of "pdfimages -list": page, num, type,
// width, height, ..., x-ppi (12), y-ppi (13).
QList<QStringList> ImagesIn(const QString& pdf)
{
    QList<QStringList> images;
    for (const QString& line : OutputOf(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'))) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() >= 14 && fields[2] == QLatin1String("image"))
            images << fields;
    }
    return images;
}

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

class TRecordingDesktop : public TDesktopOpener {
public:
    bool Open(const QUrl& url) override
    {
        Opened << url;
        return false; // as a desktop without a browser
    }
    QList<QUrl> Opened;
};

} // namespace

// Whole numbers, each product before its quotient, the quotient rounded to
// the nearest: dividing first, or truncating, gives other sizes here.
TEST(PrintedPictureSizeTest, FollowsTheScaleWithProductsFirstAndRoundedQuotients)
{
    TPrintGeometry g{QSize(714, 604), 96, 600, 600, QSize(4800, 6600)};
    EXPECT_EQ(PrintedPictureSize(TPrintScale::None, g), QSize(714, 604));
    EXPECT_EQ(PrintedPictureSize(TPrintScale::ScreenSize, g), QSize(4463, 3775)); // 4462.5 rounds up
    EXPECT_EQ(PrintedPictureSize(TPrintScale::FitToPage, g), QSize(4800, 4061));  // too wide for full height
    g.printerDotsPerInchY = 1200;
    EXPECT_EQ(PrintedPictureSize(TPrintScale::ScreenSize, g), QSize(4463, 7550));
    g.picture = QSize(300, 901);
    EXPECT_EQ(PrintedPictureSize(TPrintScale::FitToPage, g), QSize(2198, 6600)); // full height
    g.picture = QSize(30000, 20001);
    g.page = QSize(400000, 100000);
    EXPECT_EQ(PrintedPictureSize(TPrintScale::FitToPage, g), QSize(149993, 100000)); // 3e9 needs 64 bits
    g.picture = QSize(0, 604);
    for (TPrintScale scale : {TPrintScale::None, TPrintScale::ScreenSize, TPrintScale::FitToPage})
        EXPECT_EQ(PrintedPictureSize(scale, g), QSize(0, 0));
}

TEST(HelpDocumentTest, HelpFileFirstThenTheGuideBesideTheProgramThenTheInstalledOne)
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("bin"));
    const QString installed = root.filePath(QStringLiteral("usr/share/kelvor9/guide/index.html"));
    const QString beside = root.filePath(QStringLiteral("share/kelvor9/guide/index.html"));
    const QString helpFile = root.filePath(QStringLiteral("bin/kelvor8.chm"));
    QDir().mkpath(program);
    EXPECT_EQ(HelpDocument::Find(program, installed), QString());
    Touch(installed);
    EXPECT_EQ(HelpDocument::Find(program, installed), installed);
    Touch(beside);
    EXPECT_EQ(HelpDocument::Find(program, installed), beside);
    Touch(helpFile);
    EXPECT_EQ(HelpDocument::Find(program, installed), helpFile);
}

class PrintHelpAboutTest : public ConsoleFixture {};

// Ctrl+P with each scale writes a one-page PDF (no printer here) holding the
// client area's picture at the size computed for the page; the scale items
// are stored as the main window's three properties. A cancelled file name
// writes nothing. The printer setup opens the printer dialog.
TEST_F(PrintHelpAboutTest, PrintsOnePageWithThePictureAtTheChosenScale)
{
    Start();
    QPrinter& printer = Main->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat); // never a real printer from the tests
    printer.setOutputFileName(QString());
    const int top = Main->centralWidget()->y();
    const TPrintGeometry geometry{QSize(Main->width(), Main->height() - top), Main->logicalDpiX(),
                                  printer.resolution(), printer.resolution(), QSize(printer.width(), printer.height())};
    const QString pdf = FFiles.filePath(QStringLiteral("main.pdf"));
    const QString keys[] = {"Main/psNone.Checked", "Main/psFitToPage.Checked", "Main/psScreenSize.Checked"};
    for (int scale = 0; scale < 3; ++scale) {
        SCOPED_TRACE(scale);
        Ui.ScaleItems(scale)->trigger();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(QSettings().value(keys[i]).toBool(), i == scale);
        QFile::remove(pdf);
        Dialogs->FileName = pdf;
        QTest::keyClick(Main.get(), Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(Dialogs->LastOptions.defaultSuffix, QStringLiteral("pdf"));
        EXPECT_TRUE(OutputOf(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
        const QList<QStringList> images = ImagesIn(pdf);
        ASSERT_EQ(images.size(), 1);
        EXPECT_EQ(images[0][3].toInt(), geometry.picture.width());
        EXPECT_EQ(images[0][4].toInt(), geometry.picture.height());
        // pdfimages gives the picture's resolution on the page in whole dots
        // per inch: picture pixels * printer resolution / printed size.
        const QSize printed = PrintedPictureSize(TPrintScale(scale), geometry);
        EXPECT_NEAR(images[0][12].toDouble(), double(geometry.picture.width()) * printer.resolution() / printed.width(), 1.0);
        EXPECT_NEAR(images[0][13].toDouble(), double(geometry.picture.height()) * printer.resolution() / printed.height(), 1.0);
    }
    QFile::remove(pdf);
    Dialogs->FileName.clear();
    QTest::keyClick(Main.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(QFile::exists(pdf));

    QString dialogTitle;
    QTimer::singleShot(0, Main.get(), [&dialogTitle] {
        if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            dialogTitle = dialog->windowTitle();
            dialog->reject();
        }
    });
    Ui.PrintSetup1()->trigger();
    EXPECT_EQ(dialogTitle, QStringLiteral("Printer Setup"));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join(QLatin1Char('\n')).toStdString();
}

// Without the old help file F1 opens the guide that the build put beside the
// program; a desktop that cannot open it makes no message.
TEST_F(PrintHelpAboutTest, F1OpensTheGuideBesideTheProgramSilently)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    auto desktop = std::make_shared<TRecordingDesktop>();
    Main->SetDesktop(desktop);
    QTest::keyClick(Main.get(), Qt::Key_F1);
    ASSERT_EQ(desktop->Opened.size(), 1);
    const QString guide = desktop->Opened[0].toLocalFile();
    EXPECT_EQ(guide, QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kelvor9/guide/index.html")));
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("id=\"monitor\""));
    EXPECT_TRUE(Errors().isEmpty());
}

// The about box: caption, icon, product name, OK as default (Enter closes
// it), fixed and centred on the screen; it shows the version the caption
// shows, the project's (the package's) one. "E&xit" closes the window.
TEST_F(PrintHelpAboutTest, AboutBoxShowsTheVersionAndExitClosesTheWindow)
{
    TConsoleSetup setup;
    setup.startSimulator = false;
    Start(setup);
    QStringList seen;
    bool fixedAndCentred = false;
    bool closedByEnter = false;
    QTimer::singleShot(0, Main.get(), [&] {
        auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen << box->windowTitle() << box->findChild<QLabel*>(QStringLiteral("ProductName"))->text()
             << box->findChild<QLabel*>(QStringLiteral("Version"))->text();
        EXPECT_FALSE(box->findChild<QLabel*>(QStringLiteral("ProgramIcon"))->pixmap().isNull());
        EXPECT_TRUE(box->findChild<QPushButton*>(QStringLiteral("OKButton"))->isDefault());
        const QPoint offCentre = box->frameGeometry().center() - box->screen()->availableGeometry().center();
        fixedAndCentred = box->minimumSize() == box->maximumSize() && offCentre.manhattanLength() <= 2;
        QTest::keyClick(box, Qt::Key_Return);
        closedByEnter = !box->isVisible();
        if (!closedByEnter)
            box->reject();
    });
    Ui.About1()->trigger();
    const QString version = QStringLiteral("Version ") + QLatin1String(ProgramVersion);
    EXPECT_EQ(seen, (QStringList{"About Kelvor9", "Kelvor 9", version}));
    EXPECT_EQ(Main->windowTitle(), QStringLiteral("Kelvor 9  -  ") + version);
    EXPECT_TRUE(fixedAndCentred);
    EXPECT_TRUE(closedByEnter);

    Ui.Exit1()->trigger();
    EXPECT_FALSE(Main->isVisible());
}
