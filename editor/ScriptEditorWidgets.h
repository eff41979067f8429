#pragma once
// Two small controls of the script editor: the caption that blinks while the
// "Loop" instruction is chosen, and a file-name field that takes a dropped file.
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

// Red when started, then every 300 ms teal, then the background colour (it
// vanishes), then teal again, until stopped.
class TBlinkingLabel : public QLabel {
public:
    static constexpr int BlinkMs = 300;

    explicit TBlinkingLabel(const QString& text, QWidget* parent = nullptr);
    void Start();
    void Stop();
    bool Blinking() const { return FTimer.isActive(); }
    QColor Colour() const { return FColour; }

private:
    void Blink();
    void SetColour(const QColor& colour);

    QTimer FTimer;
    QColor FColour;
};

// A line edit that also takes the path of a local file dropped onto it.
class TFileNameEdit : public QLineEdit {
public:
    explicit TFileNameEdit(QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
