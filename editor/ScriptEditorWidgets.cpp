#include "ScriptEditorWidgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

const QColor Teal(0, 128, 128);

QString DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty() || !data->urls().constFirst().isLocalFile())
        return {};
    return data->urls().constFirst().toLocalFile();
}

} // namespace

TBlinkingLabel::TBlinkingLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    FTimer.setInterval(BlinkMs);
    QObject::connect(&FTimer, &QTimer::timeout, this, [this] { Blink(); });
    FColour = palette().color(QPalette::WindowText);
}

void TBlinkingLabel::Start()
{
    SetColour(Qt::red);
    FTimer.start();
}

void TBlinkingLabel::Stop()
{
    FTimer.stop();
}

void TBlinkingLabel::Blink()
{
    SetColour(FColour == Teal ? parentWidget()->palette().color(QPalette::Window) : Teal);
}

void TBlinkingLabel::SetColour(const QColor& colour)
{
    FColour = colour;
    QPalette shades = palette();
    shades.setColor(QPalette::WindowText, colour);
    setPalette(shades);
}

TFileNameEdit::TFileNameEdit(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(true);
}

void TFileNameEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(event);
}

void TFileNameEdit::dropEvent(QDropEvent* event)
{
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    setText(file);
    event->acceptProposedAction();
}
