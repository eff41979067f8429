#include "ValEdit.h"

#include "base/KelvorErrors.h"
#include "model/NumberText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace {

const QEvent::Type ConvertErrorEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QString EditPattern(int decimalPlaces)
{
    return decimalPlaces <= 0 ? QStringLiteral("0")
                              : QStringLiteral("0.") + QString(decimalPlaces, QLatin1Char('#'));
}

} // namespace

// ---- TCustomNumEdit2 -------------------------------------------------------

TCustomNumEdit2::TCustomNumEdit2(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Every character must pass the keystroke filter: no input-method
    // composition and no dropped text past it.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    ShowValueInEdit();
}

double TCustomNumEdit2::Value()
{
    try {
        CommitText();
    } catch (const EConvertError&) {
        FValue = FMinValue;
    }
    return FValue;
}

void TCustomNumEdit2::SetValue(double v)
{
    const double clamped = ClampToRange(v);
    if (clamped == FValue)
        return;
    FValue = clamped;
    ShowValueInEdit();
}

void TCustomNumEdit2::SetMinValue(double v)
{
    if (v == FMinValue)
        return;
    FMinValue = v;
    SetValue(FValue);
}

void TCustomNumEdit2::SetMaxValue(double v)
{
    if (v == FMaxValue)
        return;
    FMaxValue = v;
    SetValue(FValue);
}

void TCustomNumEdit2::SetDecimalPlaces(int places)
{
    if (places == FDecimalPlaces)
        return;
    FDecimalPlaces = places;
    ShowValueInEdit();
}

void TCustomNumEdit2::SetDisplayFormat(const QString& pattern)
{
    if (pattern == FDisplayFormat)
        return;
    FDisplayFormat = pattern;
    ShowValueInEdit();
}

QString TCustomNumEdit2::Text() const
{
    // While focused the line edit holds the edit text; otherwise it shows the
    // display text and the edit text is kept aside.
    return FFocused ? QLineEdit::text() : FEditText;
}

void TCustomNumEdit2::SetText(const QString& text)
{
    const QString normalised = numtext::Normalise(text, QLocale());
    double x = 0;
    if (!numtext::ToFloat(normalised, QLocale(), x))
        throw EConvertError::NotFloat(normalised);
    FValue = ClampToRange(x);
    ShowValueInEdit();
}

void TCustomNumEdit2::SetDeviceText(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        t = QStringLiteral("0");
    else if (t == QLatin1String("-"))
        t = QStringLiteral("-0");
    double x = 0;
    if (!numtext::ParseFullStop(t, x))
        throw EConvertError::NotFloat(t);
    // What the device holds is shown as it is, even where the field would
    // not let the operator type it (an echo of 60000 in a field that takes
    // at most 59999): the screen must never contradict the device.
    FValue = x;
    ShowValueInEdit();
}

QString TCustomNumEdit2::DeviceText() const
{
    return numtext::LocaleToFullStop(numtext::Normalise(Text(), QLocale()), QLocale());
}

void TCustomNumEdit2::CommitText()
{
    const QString normalised = numtext::Normalise(Text(), QLocale());
    double x = 0;
    if (!numtext::ToFloat(normalised, QLocale(), x))
        throw EConvertError::NotFloat(normalised);
    // An untouched device value stays as the device holds it.
    if (x != FValue)
        FValue = ClampToRange(x);
}

QString TCustomNumEdit2::ProspectiveText(QChar c) const
{
    const QString t = QLineEdit::text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    return t.left(start) + c + t.mid(start + length);
}

bool TCustomNumEdit2::AcceptsKey(QChar c) const
{
    const QLocale locale;
    const QString decimal = numtext::DecimalSeparator(locale);
    const QString group = numtext::GroupSeparator(locale);
    // A typed thousands separator would be dropped silently ("1.5" read as 15
    // where the full stop groups thousands): refuse it instead.
    if (group != decimal && group == QString(c))
        return false;
    const QString raw = ProspectiveText(c);
    if (FMaxLength > 0 && raw.size() > FMaxLength)
        return false;
    const QString text = numtext::Normalise(raw, locale);
    const qsizetype point = text.indexOf(decimal);
    if (point >= 0 && text.size() - point - decimal.size() > FDecimalPlaces)
        return false;
    return IsNumberText(text);
}

bool TCustomNumEdit2::IsNumberText(const QString& text) const
{
    const QLocale locale;
    QString rest = text;
    rest.remove(numtext::DecimalSeparator(locale));
    for (const QChar c : rest)
        if (c != QLatin1Char('-') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    double x = 0;
    return numtext::ToFloat(text, locale, x);
}

double TCustomNumEdit2::ClampToRange(double x) const
{
    if (FMaxValue > FMinValue)
        return qBound(FMinValue, x, FMaxValue);
    if (FMaxValue < FMinValue) {
        // A one-sided range: a zero bound means "no bound on that side".
        if (FMaxValue == 0 && x < FMinValue)
            return FMinValue;
        if (FMinValue == 0 && x > FMaxValue)
            return FMaxValue;
    }
    return x;
}

bool TCustomNumEdit2::InRange(double x) const
{
    return ClampToRange(x) == x;
}

void TCustomNumEdit2::ShowValueInEdit()
{
    FEditText = numtext::FormatPattern(EditPattern(FDecimalPlaces), FValue, QLocale());
    ShowText();
}

QString TCustomNumEdit2::DisplayText() const
{
    return numtext::FormatPattern(FDisplayFormat, FValue, QLocale());
}

void TCustomNumEdit2::ShowText()
{
    QLineEdit::setText(FFocused ? FEditText : DisplayText());
}

void TCustomNumEdit2::Paste()
{
    if (!FFocused || isReadOnly())
        return;
    QString clip = QGuiApplication::clipboard()->text();
    const qsizetype lineEnd = clip.indexOf(QLatin1Char('\n'));
    if (lineEnd >= 0)
        clip.truncate(lineEnd);
    clip.remove(QLatin1Char('\r'));
    if (FMaxLength > 0) {
        const qsizetype room = FMaxLength - (QLineEdit::text().size() - selectedText().size());
        clip.truncate(qMax<qsizetype>(room, 0));
    }
    const QString saved = QLineEdit::text();
    insert(clip);
    try {
        CommitText();
    } catch (const EConvertError& error) {
        QLineEdit::setText(saved);
        selectAll();
        setFocus();
        RaiseLater(error.Message());
    }
}

void TCustomNumEdit2::RaiseLater(const QString& message)
{
    FPendingError = message;
    QCoreApplication::postEvent(this, new QEvent(ConvertErrorEvent));
}

bool TCustomNumEdit2::event(QEvent* e)
{
    if (e->type() == ConvertErrorEvent) {
        const QString message = FPendingError;
        FPendingError.clear();
        throw EConvertError(message);
    }
    return QLineEdit::event(e);
}

void TCustomNumEdit2::keyPressEvent(QKeyEvent* e)
{
    if (OnKey && OnKey(e)) {
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        Paste();
        e->accept();
        return;
    }
    const QString text = e->text();
    if (e->key() == Qt::Key_Escape) {
        ShowValueInEdit();
        selectAll();
        e->accept();
        return;
    }
    if (text.isEmpty() || text.at(0).unicode() < 32 || text.at(0).unicode() == 127) {
        QLineEdit::keyPressEvent(e); // Backspace, Enter, arrows, editing shortcuts
        return;
    }
    if (text.size() == 1 && AcceptsKey(text.at(0))) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (FBeepOnError)
        QApplication::beep();
    e->accept();
}

void TCustomNumEdit2::focusInEvent(QFocusEvent* e)
{
    // A field that took the focus back after a failed commit keeps the
    // operator's text so it can be corrected.
    if (!FFocused) {
        FFocused = true;
        ShowValueInEdit();
    }
    QLineEdit::focusInEvent(e);
    if (OnEnter)
        OnEnter();
}

void TCustomNumEdit2::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A menu popping up or another window becoming active leaves this field
    // the window's focus: the operator has not left it.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (!FFocused)
        return;
    try {
        CommitText();
    } catch (const EConvertError& error) {
        selectAll();
        setFocus(e->reason());
        RaiseLater(error.Message());
        return;
    }
    FFocused = false;
    ShowValueInEdit();
    if (OnExit)
        OnExit();
}

void TCustomNumEdit2::mouseReleaseEvent(QMouseEvent* e)
{
    // The middle button would paste the selection past the keystroke filter.
    if (e->button() == Qt::MiddleButton) {
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && OnClick)
        OnClick();
}

void TCustomNumEdit2::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = createStandardContextMenu();
    // The standard menu names its entries only by their captions, which end in
    // the shortcut: find the paste entry by the paste key.
    const QString pasteKey = QLatin1Char('\t')
        + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu->actions()) {
        if (action->text().endsWith(pasteKey)) {
            // Route the menu's paste through the field's own checked paste.
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, [this] { Paste(); });
            action->setObjectName(QStringLiteral("edit-paste"));
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

// ---- TValEdit --------------------------------------------------------------

TValEdit::TValEdit(QWidget* parent)
    : TCustomNumEdit2(parent)
{
    SetMaxLength(5);
    SetMinValue(-1);
    SetMaxValue(9999);
    SetDecimalPlaces(4);
    SetDisplayFormat(QStringLiteral(";\"0\";\"0\""));
    SetBeepOnError(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Borderless, on the parent's background: the field reads as part of its
    // row rather than a box of its own.
    setFrame(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    setPalette(pal);
}

TValEdit::~TValEdit()
{
    if (FAttached && FAttached->FAttached == this)
        FAttached->SetPartner(nullptr);
}

void TValEdit::SetPartner(TValEdit* partner)
{
    FAttached = partner;
    AttachedChanged();
}

void TValEdit::SetAutoWidth(bool on)
{
    FAutoWidth = on;
    if (on)
        ApplyAutoWidth();
}

void TValEdit::ApplyAutoWidth()
{
    setFixedWidth(fontMetrics().horizontalAdvance(QString(MaxLength(), QLatin1Char('W'))) + 5);
}

bool TValEdit::AcceptsKey(QChar c) const
{
    if (!TCustomNumEdit2::AcceptsKey(c))
        return false;
    double x = 0;
    const QLocale locale;
    if (!numtext::ToFloat(numtext::Normalise(ProspectiveText(c), locale), locale, x))
        return false;
    return InRange(x);
}

void TValEdit::keyReleaseEvent(QKeyEvent* e)
{
    TCustomNumEdit2::keyReleaseEvent(e);
    // A one-character field keeps its text selected, so the next key replaces it.
    if (MaxLength() == 1)
        selectAll();
}

void TValEdit::changeEvent(QEvent* e)
{
    TCustomNumEdit2::changeEvent(e);
    if (e->type() == QEvent::FontChange && FAutoWidth)
        ApplyAutoWidth();
}

// ---- TMantisaEdit ----------------------------------------------------------

TMantisaEdit::TMantisaEdit(QWidget* parent)
    : TValEdit(parent)
{
}

void TMantisaEdit::SetAttachedControl(TValEdit* partner)
{
    TValEdit* old = FAttached;
    if (old && old != partner && old->FAttached == this)
        old->SetPartner(nullptr);
    SetPartner(partner);
    if (partner) {
        partner->SetPartner(this);
        PlacePartner();
    }
}

void TMantisaEdit::PlacePartner()
{
    TValEdit* partner = FAttached;
    if (!partner)
        return;
    QPoint topLeft(x() + width() + 1, y());
    QWidget* mine = parentWidget();
    QWidget* theirs = partner->parentWidget();
    if (mine && theirs && mine != theirs)
        topLeft = theirs->mapFromGlobal(mine->mapToGlobal(topLeft));
    partner->move(topLeft);
}

void TMantisaEdit::moveEvent(QMoveEvent* e)
{
    TValEdit::moveEvent(e);
    PlacePartner();
}

void TMantisaEdit::resizeEvent(QResizeEvent* e)
{
    TValEdit::resizeEvent(e);
    PlacePartner();
}

// ---- TExponentEdit ---------------------------------------------------------

TExponentEdit::TExponentEdit(QWidget* parent)
    : TValEdit(parent)
{
    SetMaxLength(1);
    SetMinValue(-1);
    SetMaxValue(6);
    SetDecimalPlaces(0);
    SetDisplayFormat(QStringLiteral("-#;FF;0"));
    setFocusPolicy(Qt::ClickFocus); // never reached with Tab
}

void TExponentEdit::AttachedChanged()
{
    // With a mantissa partner a click belongs to the partner, so the click must
    // not move the focus here first; code can still focus the field.
    setFocusPolicy(AttachedControl() ? Qt::NoFocus : Qt::ClickFocus);
}

void TExponentEdit::mousePressEvent(QMouseEvent* e)
{
    TValEdit* partner = AttachedControl();
    if (!partner) {
        TValEdit::mousePressEvent(e);
        return;
    }
    partner->setFocus(Qt::MouseFocusReason);
    partner->selectAll();
    e->accept();
}
