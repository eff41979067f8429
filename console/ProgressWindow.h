#pragma once
// The progress window of a channel 9 transfer: a small borderless window
// without caption, always on top, centred over the main window, filled by
// one smooth bar that moves once per sector.
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
    // window and shows it.
    void Start(int sectors);
    void SetPosition(int sector);
    int Position() const;
    int Maximum() const;

private:
    QProgressBar* FBar = nullptr;
};
