#include "KelvorApplication.h"

#include <QMessageBox>
#include <exception>

#include "CommUnit.h"
#include "KelvorErrors.h"
#include "UserDialogs.h"

std::function<void(const QString&)> TKelvorApplication::ErrorReporter;
QPointer<TfrmComm> TKelvorApplication::FLink;

void TKelvorApplication::SetLink(TfrmComm* link)
{
    FLink = link;
}

TKelvorApplication::TKelvorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TKelvorApplication::ReportError(const QString& message)
{
    if (FLink && FLink->ExchangeOutstanding()) {
        QObject::connect(
            FLink.data(), &TfrmComm::ExchangeEnded, qApp, [message] { ReportError(message); },
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
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
