#include "InputDeferral.h"

#include <QCoreApplication>
#include <QEvent>

TInputDeferral::TInputDeferral() = default;

TInputDeferral::~TInputDeferral()
{
    if (FActive)
        End();
}

void TInputDeferral::Begin()
{
    if (FActive || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    FActive = true;
}

void TInputDeferral::End()
{
    if (!FActive)
        return;
    FActive = false;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    std::vector<THeld> held;
    held.swap(FHeld);
    for (THeld& item : held) {
        if (item.Receiver)
            QCoreApplication::postEvent(item.Receiver.data(), item.Event.release());
    }
}

bool TInputDeferral::IsUserInput(const QEvent* event, const QObject* receiver)
{
    switch (event->type()) {
    case QEvent::Shortcut:
        // Shortcuts go to actions and shortcut objects, not to widgets.
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
        return receiver && (receiver->isWidgetType() || receiver->isWindowType());
    default:
        return false;
    }
}

bool TInputDeferral::eventFilter(QObject* receiver, QEvent* event)
{
    if (!FActive || !IsUserInput(event, receiver))
        return false;
    if (FExemption && FExemption(receiver, event))
        return true;
    FHeld.push_back({ QPointer<QObject>(receiver), std::unique_ptr<QEvent>(event->clone()) });
    return true;
}
