#pragma once
// The windows the application creates hidden at start, after the main
// window: the about box (AboutBox.h), the scheduler, the script editor and
// the progress window. They live until the program ends.
#include <QDialog>

#include "ProgressWindow.h"

class TSecondaryWindow : public QDialog {
    Q_OBJECT
public:
    TSecondaryWindow(QWidget* parent, const QString& name, const QString& caption);
};

class TfrmScheduler : public TSecondaryWindow {
public:
    explicit TfrmScheduler(QWidget* parent = nullptr)
        : TSecondaryWindow(parent, QStringLiteral("frmScheduler"), QStringLiteral("Scheduler")) {}
};

class TfrmScriptEditor : public TSecondaryWindow {
public:
    explicit TfrmScriptEditor(QWidget* parent = nullptr)
        : TSecondaryWindow(parent, QStringLiteral("frmScriptEditor"), QStringLiteral("Script Editor")) {}
};
