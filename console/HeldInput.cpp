// The operator's input that came while the console was busy with the
// Kelvor 9 (see TInputDeferral): what the main window tells the hold about
// its windows, and how it says that held input was too old to be carried out.
#include <QAction>
#include <QApplication>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

#include "CommUnit.h"
#include "Main.h"

namespace {

// The window an input event's receiver belongs to: a widget's window, the
// widget of a top-level window, the window of a shortcut's or an action's
// widget.
QWidget* WindowOf(QObject* receiver)
{
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window();
    if (auto* window = qobject_cast<QWindow*>(receiver)) {
        for (QWidget* topLevel : QApplication::topLevelWidgets())
            if (topLevel->windowHandle() == window)
                return topLevel;
        return nullptr;
    }
    if (auto* shortcut = qobject_cast<QShortcut*>(receiver))
        return shortcut->parentWidget() ? shortcut->parentWidget()->window() : nullptr;
    if (auto* action = qobject_cast<QAction*>(receiver))
        for (QObject* owner : action->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(owner))
                return widget->window();
    return nullptr;
}

// Held input whose window a modal window (a box, a file dialog) now covers
// must not reach it past the modal window.
bool BlockedByModalWindow(QObject* receiver)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    QWidget* window = WindowOf(receiver);
    return !window || (window != modal && !modal->isAncestorOf(window));
}

} // namespace

void TfrmMain::BindInputHold()
{
    frmComm->InputDeferral().SetBlocked(BlockedByModalWindow);
    connect(frmComm, &TfrmComm::HeldInputDropped, this, [this] {
        QApplication::beep();
        SetStatusText(QStringLiteral("The Kelvor 9 was busy: your input was not carried out."));
    });
}
