// The parameter grid: a typed value is assembled from a mantissa field, its
// exponent field and its sign label, sent through the model, and the grid
// shows what the device echoed. The keyboard moves between the fields.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <cmath>

#include "Main.h"
#include "Widgets.h"
#include "link/CommUnit.h"
#include "ui/KelvorApplication.h"
#include "ui/ValEdit.h"
#include "ui/ValueFromEdits.h"

namespace {

// A refresh redraws every field from the device while the operator may be
// typing, and the keys held during it are replayed after it. So the field
// the operator works in keeps what the operator was doing there: a value
// being typed stays as typed (mantissa, exponent and sign; the device's
// value shows once the focus leaves them), and a field that only has the
// focus shows the device's value with its selection as it was, so that a
// replayed key replaces a selected text just as it would have without the
// refresh.
bool OperatorIsTyping(TValEdit* field)
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return false;
    // The exponent takes the focus only on Return in its mantissa: the
    // value is half entered.
    if (focus == field->AttachedControl())
        return true;
    return focus == field && field->isModified();
}

// Puts the focused field's selection (or cursor) back after its text was
// rewritten.
class TSelectionKept {
public:
    explicit TSelectionKept(TValEdit* field) : FField(field && field->hasFocus() ? field : nullptr)
    {
        if (!FField)
            return;
        FWhole = !FField->text().isEmpty() && FField->selectedText() == FField->text();
        FStart = FField->hasSelectedText() ? FField->selectionStart() : FField->cursorPosition();
        FLength = int(FField->selectedText().size());
    }
    ~TSelectionKept()
    {
        if (!FField)
            return;
        const int size = int(FField->text().size());
        if (FWhole)
            FField->selectAll();
        else if (FLength > 0)
            FField->setSelection(qMin(FStart, size), qMin(FLength, size - qMin(FStart, size)));
        else
            FField->setCursorPosition(qMin(FStart, size));
    }
    TSelectionKept(const TSelectionKept&) = delete;
    TSelectionKept& operator=(const TSelectionKept&) = delete;

private:
    TValEdit* FField;
    bool FWhole = false;
    int FStart = 0;
    int FLength = 0;
};

} // namespace

// The device echoes values in engineering form: a pulse count of 12340 comes
// back as +12.34E+3 and half a volt as +500.0E-3. A field holds a mantissa
// and, for times, an exponent of 0, 3 or 6 only. A value in another form is
// shown as its number in a unit the field has, never as a bare mantissa
// that would read a thousand times too small or too large.
void TfrmMain::ShowValue(TValEdit* field, const TVexoValue& value)
{
    if (!field)
        return;
    if (FRedrawingFromDevice && OperatorIsTyping(field))
        return;
    const TSelectionKept selection(FRedrawingFromDevice ? field : nullptr);
    TValEdit* exponent = field->AttachedControl();
    QLabel* sign = field->SignLabel();
    if (value.IsShownUnset()) {
        field->SetValue(0);
        if (exponent)
            exponent->SetValue(0);
        if (sign)
            sign->clear();
        return;
    }
    const char digit = value.ExponentDigit;
    const bool fieldHoldsIt = digit == '0' || (exponent && value.ExponentSign == '-' && (digit == '3' || digit == '6'));
    if (fieldHoldsIt) {
        field->SetDeviceText(QString::fromLatin1(value.Mantissa));
        if (exponent)
            exponent->SetText(QString(QLatin1Char(digit)));
    } else {
        double magnitude = std::fabs(value.ToFloat());
        int unit = 0;
        if (exponent && magnitude > 0 && magnitude < 1)
            unit = magnitude < 1e-3 ? 6 : 3;
        magnitude *= std::pow(10.0, unit);
        QString text = QString::number(magnitude, 'f', 4);
        while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
            text.chop(1);
        field->SetDeviceText(text);
        if (exponent)
            exponent->SetText(QString::number(unit));
    }
    if (sign) {
        if (value.ToFloat() == 0)
            sign->clear();
        else
            sign->setText(value.Sign == '-' ? QStringLiteral("-") : QStringLiteral("+"));
    }
}

void TfrmMain::ShowParameter(int channel, int index)
{
    if (!FParadigm || channel < 1 || channel > ChannelCount)
        return;
    const TChannelSettings& settings = Paradigm().Channel(channel).Settings;
    if (index == SettingShape) {
        if (ShapeLists[channel])
            ShapeLists[channel]->setCurrentIndex(settings.Shape);
        return;
    }
    // Setting i is in row i + 1; channel 9's grid ends after its voltage.
    const TVexoValue* value = settings.Value(index);
    if (TMantisaEdit* field = value ? ParameterEdits[channel][index + 1] : nullptr)
        ShowValue(field, *value);
}

void TfrmMain::ShowChannelValues(int channel)
{
    for (int index = 0; index < SettingCount; ++index)
        ShowParameter(channel, index);
}

void TfrmMain::ShowAllValues()
{
    for (int channel = 1; channel <= ChannelCount; ++channel)
        ShowChannelValues(channel);
}

void TfrmMain::ReadValueFromEdits(TValEdit* field, TVexoValue& value)
{
    ::ReadValueFromEdits(field, value);
}

std::optional<QString> TfrmMain::SetChannelParameterFromText(int channel, int index, const QString& valueText)
{
    EditValue.SetFromText(valueText);
    QString errorText; // the payload carries the refusal
    return SetChannelParameter(channel, index, errorText, EditValue);
}

std::optional<QString> TfrmMain::SetChannelParameter(int channel, int index, QString& errorText,
                                                     const TVexoValue& value)
{
    errorText.clear();
    if (channel < 1 || channel > ChannelCount)
        return std::nullopt;
    TOperation operation(frmComm);
    TChannelSettings& settings = Paradigm().Channel(channel).Settings;
    std::optional<QString> payload;
    // The field shows the model again however the exchange ends: a value
    // left as typed after an error would read as accepted.
    try {
        payload = settings.Set(index, value, errorText);
    } catch (...) {
        ShowParameter(channel, index);
        throw;
    }
    ShowParameter(channel, index);
    return payload;
}

void TfrmMain::FocusField(int channel, int row)
{
    if (channel < 1 || channel > ChannelCount || row < 1 || row > 7)
        return;
    if (row == 6) {
        if (ShapeLists[channel])
            ShapeLists[channel]->setFocus(Qt::OtherFocusReason);
        return;
    }
    // A row the channel lacks (row 7 of channel 9) leaves the focus where it is.
    if (ParameterEdits[channel][row])
        ParameterEdits[channel][row]->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::FocusNextRow(int channel, int row)
{
    const int rows = channel == ChannelCount ? 5 : 7;
    const int n = row % rows;
    FocusField(channel, n == 5 ? 6 : n + 1);
}

void TfrmMain::FocusPreviousRow(int channel, int row)
{
    const int n = row == 1 ? 7 : row - 1;
    FocusField(channel, n);
}

// Enter on a zero in rows D, I and N sends nothing: the focus leaves the
// parameter panel for the next control on the window in tab order.
void TfrmMain::FocusPastParameterPanel()
{
    QWidget* candidate = PanelParameters->nextInFocusChain();
    while (candidate && candidate != PanelParameters) {
        if (candidate->parentWidget() == Controls && candidate != PanelParameters && candidate->isVisible()
            && candidate->isEnabled() && !PanelParameters->isAncestorOf(candidate)
            && candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(Qt::TabFocusReason);
            return;
        }
        candidate = candidate->nextInFocusChain();
    }
}

// A key that sends a value is a command of its own: an error it raises is
// reported there and the key counts as taken (see TCommandSlot).
static bool KeyCommand(const std::function<bool()>& handler)
{
    bool taken = true;
    TKelvorApplication::RunCommand([&] { taken = handler(); });
    return taken;
}

void TfrmMain::BindMantissaHandlers(TMantisaEdit* field)
{
    field->OnKey = [this, field](QKeyEvent* event) { return KeyCommand([this, field, event] { return MantissaKey(field, event); }); };
    field->OnEnter = [field] { field->selectAll(); };
    field->OnClick = [field] { field->selectAll(); };
    field->OnExit = [this, field] {
        if (QApplication::focusWidget() != field->AttachedControl())
            ShowChannelValues(field->Col);
    };
}

void TfrmMain::BindExponentHandlers(TExponentEdit* field)
{
    field->OnKey = [this, field](QKeyEvent* event) { return KeyCommand([this, field, event] { return ExponentKey(field, event); }); };
    field->OnEnter = [field] { field->selectAll(); };
    field->OnExit = [this, field] { ShowChannelValues(field->Col); };
}

bool TfrmMain::MantissaKey(TMantisaEdit* field, QKeyEvent* event)
{
    const int channel = field->Col;
    const int row = field->Row;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        MantissaEnter(field);
        return true;
    case Qt::Key_Left:
        FocusField(((channel + 7) % ChannelCount) + 1, row);
        return true;
    case Qt::Key_Right:
        FocusField((channel % ChannelCount) + 1, row);
        return true;
    case Qt::Key_Up:
        FocusPreviousRow(channel, row);
        return true;
    case Qt::Key_Down:
        FocusNextRow(channel, row);
        return true;
    default: break;
    }
    // The sign keys belong to the sign label in the amplitude rows.
    const QString text = event->text();
    if (row >= 4 && (text == QStringLiteral("+") || text == QStringLiteral("-"))) {
        if (QLabel* sign = field->SignLabel()) {
            if (text == QStringLiteral("+"))
                sign->setText(QStringLiteral("+"));
            else
                sign->setText(sign->text() == QStringLiteral("-") ? QStringLiteral("+") : QStringLiteral("-"));
            field->setModified(true); // the sign is part of the value being typed
        }
        return true;
    }
    return false;
}

void TfrmMain::MantissaEnter(TMantisaEdit* field)
{
    const int row = field->Row;
    if (ZeroIsNotSent(row - 1) && field->Value() == 0) {
        FocusPastParameterPanel();
        return;
    }
    if (field->AttachedControl()) {
        field->AttachedControl()->setFocus(Qt::OtherFocusReason);
        return;
    }
    QString errorText;
    ReadValueFromEdits(field, EditValue);
    SetChannelParameter(field->Col, row - 1, errorText, EditValue);
    if (!errorText.isEmpty()) {
        SetStatusText(errorText);
        field->setFocus(Qt::OtherFocusReason);
    } else {
        FocusNextRow(field->Col, row);
    }
}

bool TfrmMain::ExponentKey(TExponentEdit* field, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    ExponentEnter(field);
    return true;
}

void TfrmMain::ExponentEnter(TExponentEdit* field)
{
    auto* mantissa = qobject_cast<TValEdit*>(field->AttachedControl());
    if (!mantissa)
        return;
    QString errorText;
    ReadValueFromEdits(mantissa, EditValue);
    SetChannelParameter(field->Col, field->Row - 1, errorText, EditValue);
    if (!errorText.isEmpty()) {
        SetStatusText(errorText);
        mantissa->setFocus(Qt::OtherFocusReason);
        return;
    }
    int next = (mantissa->Row % 7) + 1;
    if (next == 6)
        next = 7;
    FocusField(field->Col, next);
}

// Arrow keys in a shape list move the focus like the grid's arrows do.
bool TfrmMain::ShapeListKey(int channel, QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        if (channel > 1)
            FocusField(channel - 1, 6);
        return true;
    case Qt::Key_Right:
        if (channel < ChannelCount - 1)
            FocusField(channel + 1, 6);
        return true;
    case Qt::Key_Up:
        FocusPreviousRow(channel, 6);
        return true;
    case Qt::Key_Down:
        FocusNextRow(channel, 6);
        return true;
    default: return false;
    }
}
