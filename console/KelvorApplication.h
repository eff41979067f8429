#pragma once
// The application object. Its notify() is the top-level error handler:
// an error raised by any operation (a serial port failure, a conversion
// error, a file that cannot be read) ends that operation and its message
// is shown in an error box; the console keeps running.
#include <QApplication>
#include <QPointer>
#include <functional>

class TfrmComm;

class TKelvorApplication : public QApplication {
    Q_OBJECT
public:
    TKelvorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an error that ended an operation. Tests replace
    // it to collect the messages instead of opening boxes.
    static std::function<void(const QString&)> ErrorReporter;
    static void ReportError(const QString& message);

    // While the console is busy the operator's input is held back, so a box
    // opened then could never be answered: a message that comes up during an
    // operation is shown once it has ended.
    static void SetLink(TfrmComm* link);
    // The window that owns error boxes when no modal window is open.
    static void SetMainWindow(QWidget* window);
    static QWidget* MainWindow() { return FMainWindow; }
    static QWidget* MessageParent();

private:
    static QPointer<TfrmComm> FLink;
    static QPointer<QWidget> FMainWindow;
};

// Shows the busy cursor for the lifetime of the object, and restores the
// normal cursor however the operation ends.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
