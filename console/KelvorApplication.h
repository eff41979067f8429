#pragma once
// The application object. Its notify() is the top-level error handler:
// an error raised by any operation (a serial port failure, a conversion
// error, a file that cannot be read) ends that operation and its message
// is shown in an error box; the console keeps running.
#include <QApplication>
#include <functional>

class TKelvorApplication : public QApplication {
    Q_OBJECT
public:
    TKelvorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an error that ended an operation. Tests replace
    // it to collect the messages instead of opening boxes.
    static std::function<void(const QString&)> ErrorReporter;
    static void ReportError(const QString& message);
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
