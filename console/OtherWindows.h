#pragma once
// The windows the application creates hidden at start, after the main
// window: the about box (AboutBox.h) and the progress window
// (ProgressWindow.h); the scheduler and the script editor have their own
// folders. They live until the program ends.
#include <QDialog>

#include "ProgressWindow.h"

class TSecondaryWindow : public QDialog {
    Q_OBJECT
public:
    TSecondaryWindow(QWidget* parent, const QString& name, const QString& caption);
};
