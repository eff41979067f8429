#include "ProgressWindow.h"

#include <QProgressBar>
#include <QVBoxLayout>

using namespace ProgressLayout;

TfrmProgressBar::TfrmProgressBar(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmProgressBar"));
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
