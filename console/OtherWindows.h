#pragma once
// The windows the application creates hidden at start, after the main
// window: the about box, the scheduler, the script editor and the progress
// window. They live until the program ends.
#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

class TfrmScheduler : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScheduler(QWidget* parent = nullptr);
};

class TfrmScriptEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScriptEditor(QWidget* parent = nullptr);
};

class TfrmProgressBar : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgressBar(QWidget* parent = nullptr);
};
