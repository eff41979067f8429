#include "KelvorApplication.h"

#include <QMessageBox>
#include <exception>

#include "KelvorErrors.h"
#include "UserDialogs.h"

std::function<void(const QString&)> TKelvorApplication::ErrorReporter;

TKelvorApplication::TKelvorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TKelvorApplication::ReportError(const QString& message)
{
    if (ErrorReporter) {
        ErrorReporter(message);
        return;
    }
    QWidget* active = activeWindow();
    QMessageBox box(QMessageBox::Critical, applicationName(), message, QMessageBox::Ok, active);
    box.exec();
    ReturnFocusTo(active);
}

bool TKelvorApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EKelvorError& error) {
        ReportError(error.Message());
    } catch (const std::exception& error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

TBusyCursor::TBusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor()
{
    QApplication::restoreOverrideCursor();
}
