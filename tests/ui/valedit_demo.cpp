// A small window with two value entries (mantissa, attached exponent and sign
// label) for looking at the fields as the operator sees them. Not installed.
// Usage: valedit_demo [milliseconds until it closes itself]
#include "ui/ValEdit.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

TMantisaEdit* AddEntry(QWidget* window, int top, const QString& caption, const QString& sign)
{
    auto* label = new QLabel(caption, window);
    label->setGeometry(10, top, 70, 20);
    auto* signLabel = new QLabel(sign, window);
    signLabel->setGeometry(80, top, 10, 20);
    auto* field = new TMantisaEdit(window);
    field->move(92, top);
    field->resize(field->width(), 20);
    field->SetAutoWidth(true);
    field->SetSignLabel(signLabel);
    return field;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Entry fields"));
    window.resize(260, 110);

    TMantisaEdit* duration = AddEntry(&window, 15, QStringLiteral("Duration"), QString());
    auto* exponent = new TExponentEdit(&window);
    exponent->resize(exponent->width(), 20);
    exponent->SetAutoWidth(true);
    duration->SetAttachedControl(exponent);
    duration->SetDeviceText(QStringLiteral("12.35"));
    exponent->SetValue(3);
    auto* unit = new QLabel(QStringLiteral("s"), &window);
    unit->setGeometry(exponent->x() + exponent->width() + 2, 15, 10, 20);

    TMantisaEdit* voltage = AddEntry(&window, 45, QStringLiteral("Voltage"), QStringLiteral("-"));
    voltage->SetDeviceText(QStringLiteral("2.500"));

    TMantisaEdit* pulses = AddEntry(&window, 75, QStringLiteral("Pulses"), QString());
    pulses->SetDeviceText(QStringLiteral("00010"));

    window.show();
    window.activateWindow();
    if (argc > 1)
        QTimer::singleShot(QString::fromLocal8Bit(argv[1]).toInt(), &app, &QApplication::quit);
    return app.exec();
}
