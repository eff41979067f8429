#pragma once
// The windows the application creates hidden at start, after the main
// window: the about box and the progress window (the scheduler and the
// script editor have their own folders). They live until the program ends.
#include <QDialog>

class TSecondaryWindow : public QDialog {
    Q_OBJECT
public:
    TSecondaryWindow(QWidget* parent, const QString& name, const QString& caption);
};

class TAboutBox : public TSecondaryWindow {
public:
    explicit TAboutBox(QWidget* parent = nullptr) : TSecondaryWindow(parent, QStringLiteral("AboutBox"), QStringLiteral("About")) {}
};

class TfrmProgressBar : public TSecondaryWindow {
public:
    explicit TfrmProgressBar(QWidget* parent = nullptr)
        : TSecondaryWindow(parent, QStringLiteral("frmProgressBar"), QStringLiteral("Progress")) {}
};
