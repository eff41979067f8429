// The operator's input that came while the console was busy with the
// Kelvor 9 (see TInputDeferral): what the main window tells the hold about
// its windows, and how it says that held input was too old to be carried out.
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

#include "Main.h"
#include "ReceiverWindow.h"
#include "link/CommUnit.h"

QWidget* ReceiverWindow(QObject* receiver)
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
        if (auto* owner = qobject_cast<QWidget*>(shortcut->parent()))
            return owner->window();
    if (auto* action = qobject_cast<QAction*>(receiver))
        for (QObject* owner : action->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(owner))
                return widget->window();
    return nullptr;
}

namespace {

// Held input whose window a modal window (a box, a file dialog) now covers
// must not reach it past the modal window.
bool BlockedByModalWindow(QObject* receiver)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    QWidget* window = ReceiverWindow(receiver);
    return !window || (window != modal && !modal->isAncestorOf(window));
}

// A held mouse event is replayed as a new event built from what it says
// now, while it is delivered: a kept copy would take the position of the
// pointer's next event (see TInputDeferral::SetRemake).
TInputDeferral::TRemake RemakeMouseEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: break;
    default: return {};
    }
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const QEvent::Type type = mouse->type();
    const QPointF position = mouse->position(), scene = mouse->scenePosition(), global = mouse->globalPosition();
    const Qt::MouseButton button = mouse->button();
    const Qt::MouseButtons buttons = mouse->buttons();
    const Qt::KeyboardModifiers modifiers = mouse->modifiers();
    const Qt::MouseEventSource source = mouse->source();
    const QPointingDevice* device = mouse->pointingDevice();
    const quint64 timestamp = mouse->timestamp();
    return [=] {
        auto remade = std::make_unique<QMouseEvent>(type, position, scene, global, button, buttons, modifiers, source,
                                                    device);
        remade->setTimestamp(timestamp);
        return std::unique_ptr<QEvent>(std::move(remade));
    };
}

} // namespace

void TfrmMain::BindInputHold()
{
    frmComm->InputDeferral().SetBlocked(BlockedByModalWindow);
    frmComm->InputDeferral().SetRemake(RemakeMouseEvent);
    connect(frmComm, &TfrmComm::HeldInputDropped, this, [this] {
        QApplication::beep();
        SetStatusText(QStringLiteral("The Kelvor 9 was busy: your input was not carried out."));
    });
}
