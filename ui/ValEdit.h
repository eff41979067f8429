#pragma once
// Numeric entry fields. A field refuses every keystroke that would make its
// text an invalid or out-of-range number. While it has the focus it shows the
// edit text (Value with DecimalPlaces, e.g. 1.5); without the focus it shows
// the display text (Value through DisplayFormat).
//
// Separators: the fields show and accept the decimal separator of the user's
// locale (QLocale()). Device texts (mantissas written with the full stop) go
// in through SetDeviceText() and come out through DeviceText(), never through
// the locale's thousands separator.
//
// Errors: a text that does not convert raises EConvertError. SetText() throws
// it to its caller. When the field loses the focus, or a paste does not
// convert, the field selects its whole text, takes the focus back and raises
// the error from an event of its own posted to itself, so it surfaces at the
// event loop once the focus change or menu in progress has finished; the
// application's QApplication::notify() override is expected to catch
// EKelvorError and show its message in an error box. A menu popping up or
// another window becoming active does not count as leaving the field. Code
// that runs without such an override must not let a field lose the focus
// with a text that does not convert.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <functional>

class TCustomNumEdit2 : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomNumEdit2(QWidget* parent = nullptr);

    // Commits the edit text first; a text that does not convert makes the
    // value MinValue.
    double Value();
    // Clamps v into the range; when that differs from the value, stores it and
    // rebuilds the edit text.
    void SetValue(double v);

    double MinValue() const { return FMinValue; }
    void SetMinValue(double v);
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double v);
    int DecimalPlaces() const { return FDecimalPlaces; }
    void SetDecimalPlaces(int places);
    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& pattern);
    bool BeepOnError() const { return FBeepOnError; }
    void SetBeepOnError(bool on) { FBeepOnError = on; }
    // Most characters the operator may type or paste; 0 means no limit.
    // Texts set from code are never cut.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length) { FMaxLength = length; }

    // The edit text (not the display text).
    QString Text() const;
    // Normalise, convert (EConvertError), clamp, store as Value, rebuild the
    // edit text: "005.5" gives the edit text "5.5" and the value 5.5.
    void SetText(const QString& text);
    // SetText() for a text written with the full stop, as the device writes
    // mantissas: "1.234" is 1.234 in every locale. The device's value is not
    // clamped: the field shows what the device holds.
    void SetDeviceText(const QString& text);
    // The edit text normalised (trimmed, without group separators, "" as "0")
    // with the full stop as decimal separator.
    QString DeviceText() const;

    // Normalises the edit text, converts it (EConvertError), clamps it and
    // stores it as Value without rebuilding the edit text.
    void CommitText();
    // Whether typing c (replacing the selection) keeps the text a number with
    // at most DecimalPlaces decimals and at most MaxLength characters. The
    // locale's thousands separator is never accepted as a keystroke.
    virtual bool AcceptsKey(QChar c) const;
    bool IsFocused() const { return FFocused; }

    // Inserts the clipboard text and commits it; see the header comment for
    // what happens when it does not convert.
    void Paste();

    // Owner hooks, run before the field's own handling. OnKey sees every key
    // press first; returning true means the owner took the key.
    std::function<bool(QKeyEvent*)> OnKey;
    std::function<void()> OnEnter; // focus gained, after the edit text was rebuilt
    std::function<void()> OnExit;  // focus lost, after a successful commit and rebuild
    std::function<void()> OnClick; // a click: run after the field's own press and
                                   // release handling, so the owner may select all

protected:
    double ClampToRange(double x) const;
    bool InRange(double x) const;
    bool IsNumberText(const QString& text) const;
    QString ProspectiveText(QChar c) const;
    void ShowValueInEdit();
    QString DisplayText() const;

    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void ShowText();
    void RaiseLater(const QString& message);

    double FValue = 0, FMinValue = 0, FMaxValue = 0;
    int FDecimalPlaces = 2;
    QString FDisplayFormat = QStringLiteral(",0.00");
    bool FBeepOnError = true;
    int FMaxLength = 0;
    bool FFocused = false;
    QString FEditText = QStringLiteral("0");
    QString FPendingError;
};

class TValEdit : public TCustomNumEdit2 {
    Q_OBJECT
public:
    explicit TValEdit(QWidget* parent = nullptr);
    ~TValEdit() override;

    int Row = 0, Col = 0; // the owner's grid position

    // When on, the width becomes the width of MaxLength letters "W" plus 5 pixels.
    void SetAutoWidth(bool on);
    bool AutoWidth() const { return FAutoWidth; }

    // The partner field (exponent of a mantissa, mantissa of an exponent) and
    // the sign label; not owned, cleared when they are destroyed.
    TValEdit* AttachedControl() const { return FAttached; }
    QLabel* SignLabel() const { return FSignLabel; }

    // Adds the range test to the base's text test.
    bool AcceptsKey(QChar c) const override;

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

    void SetPartner(TValEdit* partner);
    void SetLabel(QLabel* label) { FSignLabel = label; }
    // Called whenever the partner reference changes (also when it is cleared).
    virtual void AttachedChanged() {}

private:
    void ApplyAutoWidth();

    bool FAutoWidth = false;
    QPointer<TValEdit> FAttached;
    QPointer<QLabel> FSignLabel;

    friend class TMantisaEdit;
};

// The mantissa of a value: owns the placement of its exponent field (directly
// to its right, following it when it moves or is resized) and its sign label.
class TMantisaEdit : public TValEdit {
    Q_OBJECT
public:
    explicit TMantisaEdit(QWidget* parent = nullptr);

    void SetAttachedControl(TValEdit* partner);
    void SetSignLabel(QLabel* label) { SetLabel(label); }

protected:
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlacePartner();
};

// The one-digit exponent of a time value: 0..6 (read as a negative power of
// ten: "-3" shows milliseconds), -1 shows "FF". Tab skips it; while it has a
// mantissa partner a click goes to the partner, so it takes the focus only
// from code.
class TExponentEdit : public TValEdit {
    Q_OBJECT
public:
    explicit TExponentEdit(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void AttachedChanged() override;
};
