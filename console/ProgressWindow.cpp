#include "ProgressWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QShortcut>
#include <QVBoxLayout>

using namespace ProgressLayout;

TfrmProgressBar::TfrmProgressBar(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmProgressBar"));
    setWindowModality(Qt::WindowModal);
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(BorderWidth);
    setFixedSize(ClientWidth + 2 * BorderWidth, ClientHeight + 2 * BorderWidth);
    FBar = new QProgressBar(this);
    FBar->setObjectName(QStringLiteral("ProgressBar1"));
    FBar->setTextVisible(false);
    FBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0); // the bar fills the client area
    layout->addWidget(FBar);
    // Escape stops wherever the keyboard is: without a window manager a click
    // on the blocked main window gives it the keyboard, and the toolkit drops
    // a blocked window's keys but still matches application shortcuts.
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stop->setContext(Qt::ApplicationShortcut);
    connect(stop, &QShortcut::activated, this, &TfrmProgressBar::StopRequested);
}

void TfrmProgressBar::Start(int sectors)
{
    FBar->setRange(1, qMax(1, sectors));
    FBar->reset(); // empty until the first sector
    if (QWidget* owner = parentWidget()) {
        QRect placed = frameGeometry();
        placed.moveCenter(owner->window()->frameGeometry().center());
        move(placed.topLeft());
    }
    show();
    raise();
    // Without a window manager nobody hands a new window the keyboard; the
    // operator's Escape must land here, not in the blocked main window.
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void TfrmProgressBar::SetPosition(int sector)
{
    FBar->setValue(sector);
}

int TfrmProgressBar::Position() const
{
    return FBar->value();
}

int TfrmProgressBar::Maximum() const
{
    return FBar->maximum();
}

void TfrmProgressBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
    emit StopRequested();
}

// The window stays until the transfer has stopped between two sectors: the
// operator keeps seeing that the device is still being written.
void TfrmProgressBar::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit StopRequested();
}
