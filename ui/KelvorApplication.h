#pragma once
// The application object. Its notify() is the top-level error handler:
// an error raised by any operation (a serial port failure, a conversion
// error, a file that cannot be read) ends that operation and its message
// is shown in an error box; the console keeps running.
#include <QApplication>
#include <QPointer>
#include <functional>
#include <type_traits>

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
    // The box that shows message closes, as if the operator had answered
    // it: what it said no longer holds.
    static void WithdrawError(const QString& message);
    // Runs a command; an error it raises is reported (see TCommandSlot).
    // False when it raised one.
    static bool RunCommand(const std::function<void()>& command);

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

// An operator's command bound to a control (an action, a button, a list).
// An error the command raises ends it and is shown right here, before it
// could pass through the toolkit's code that called the command: the toolkit
// is not built to carry exceptions, and the cleanups of its own frames would
// be skipped. The command takes the signal's arguments or none.
template <typename F>
class TCommandSlot {
public:
    explicit TCommandSlot(F command) : FCommand(std::move(command)) {}
    template <typename... A>
    void operator()(A&&... args) const
    {
        TKelvorApplication::RunCommand([&] {
            if constexpr (std::is_invocable_v<const F&, A...>)
                std::invoke(FCommand, std::forward<A>(args)...);
            else
                std::invoke(FCommand);
        });
    }

private:
    F FCommand;
};

template <typename F>
TCommandSlot<F> Command(F command)
{
    return TCommandSlot<F>(std::move(command));
}

// Shows the busy cursor for the lifetime of the object, and restores the
// normal cursor however the operation ends.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
