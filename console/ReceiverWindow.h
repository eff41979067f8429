#pragma once
// The window an input event's receiver belongs to: a widget's window, the
// widget of a top-level window, the window of a shortcut's or an action's
// widget; nullptr when none is known.
class QObject;
class QWidget;

QWidget* ReceiverWindow(QObject* receiver);
