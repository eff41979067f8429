#include "ValueFromEdits.h"

void ReadValueFromEdits(TValEdit* field, TVexoValue& value)
{
    TValEdit* exponent = field->AttachedControl();
    if (exponent && (exponent->Text().isEmpty() || exponent->Text() == QStringLiteral(".")))
        exponent->SetText(QStringLiteral("0"));
    // The field shows the locale's decimal separator; the value text always
    // carries the full stop.
    const QString typed = field->DeviceText().left(5);
    value.Mantissa = QByteArray(5, ' ');
    const QByteArray latin = typed.toLatin1();
    for (int i = 0; i < latin.size() && i < 5; ++i)
        value.Mantissa[i] = latin[i];
    value.Sign = '+';
    if (field->SignLabel() && field->SignLabel()->text() == QStringLiteral("-"))
        value.Sign = '-';
    value.ExponentDigit = '0';
    value.ExponentSign = '+';
    if (exponent) {
        const QString digits = exponent->Text();
        if (digits.startsWith(QLatin1Char('3')) || digits.startsWith(QLatin1Char('6'))) {
            value.ExponentDigit = digits.at(0).toLatin1();
            if (!field->SignLabel())
                value.ExponentSign = '-';
        }
    }
}
