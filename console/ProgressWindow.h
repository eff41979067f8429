#pragma once
// The progress window of a channel 9 transfer: a small borderless window
// without caption, always on top, centred over the main window, filled by
// one smooth bar that moves once per sector.
//
// While it shows it is modal to the main window: the main window takes no
// input at all, so nothing the operator does there during a transfer of
// minutes can be carried out after it. The window takes the keyboard;
// Escape, or closing it, asks the transfer to stop (it stops between two
// sectors, and the window goes with the transfer).
#include <QFrame>

class QProgressBar;

namespace ProgressLayout {
inline constexpr int ClientWidth = 230, ClientHeight = 42;
inline constexpr int BorderWidth = 3; // drawn around the client area
} // namespace ProgressLayout

class TfrmProgressBar : public QFrame {
    Q_OBJECT
public:
    explicit TfrmProgressBar(QWidget* parent = nullptr);

    // Sets the range to 1 .. sectors, centres the window over its parent's
    // window, shows it and gives it the keyboard.
    void Start(int sectors);
    void SetPosition(int sector);
    int Position() const;
    int Maximum() const;

signals:
    // Escape was pressed in the window, or it was asked to close.
    void StopRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* FBar = nullptr;
};
