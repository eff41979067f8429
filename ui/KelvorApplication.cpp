#include "KelvorApplication.h"

#include <QMessageBox>
#include <exception>

#include "UserDialogs.h"
#include "base/KelvorErrors.h"
#include "link/CommUnit.h"

std::function<void(const QString&)> TKelvorApplication::ErrorReporter;
QPointer<TfrmComm> TKelvorApplication::FLink;
QPointer<QWidget> TKelvorApplication::FMainWindow;

void TKelvorApplication::SetLink(TfrmComm* link)
{
    FLink = link;
}

void TKelvorApplication::SetMainWindow(QWidget* window)
{
    FMainWindow = window;
}

TKelvorApplication::TKelvorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

// The box belongs to the modal window the operator works in (the script
// editor, say), else to the main window: just after a file dialog has closed
// no window is active yet, and a box without a parent would leave the
// keyboard nowhere once it is closed.
QWidget* TKelvorApplication::MessageParent()
{
    if (QWidget* modal = activeModalWidget())
        return modal;
    if (FMainWindow && FMainWindow->isVisible())
        return FMainWindow;
    return activeWindow();
}

void TKelvorApplication::ReportError(const QString& message)
{
    if (FLink && FLink->Busy()) {
        QObject::connect(
            FLink.data(), &TfrmComm::BusyEnded, qApp, [message] { ReportError(message); },
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    if (ErrorReporter) {
        ErrorReporter(message);
        return;
    }
    TUserDialogs().ShowError(MessageParent(), message);
}

void TKelvorApplication::WithdrawError(const QString& message)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box && box->isVisible() && box->text() == message)
            box->done(QMessageBox::Ok);
    }
}

// Called inside a catch block: reports the error being handled. Anything that
// is not an error of ours or of the standard library goes on up.
static void ReportCaughtError()
{
    try {
        throw;
    } catch (const ESilentAbort&) {
        // The operation's message is shown another way.
    } catch (const EKelvorError& error) {
        TKelvorApplication::ReportError(error.Message());
    } catch (const std::exception& error) {
        TKelvorApplication::ReportError(QString::fromLocal8Bit(error.what()));
    }
}

bool TKelvorApplication::RunCommand(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (...) {
        ReportCaughtError();
    }
    return false;
}

// Without a window manager nobody gives a window the keyboard when it is
// clicked: the console does it itself, as every desktop would.
static void ActivateOnClick(QObject* receiver, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress || !receiver->isWidgetType())
        return;
    QWidget* window = static_cast<QWidget*>(receiver)->window();
    if (window != QApplication::activeWindow() && !(window->windowType() == Qt::Popup) && window->isVisible()
        && !QApplication::activeModalWidget())
        window->activateWindow();
}

bool TKelvorApplication::notify(QObject* receiver, QEvent* event)
{
    ActivateOnClick(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCaughtError();
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
