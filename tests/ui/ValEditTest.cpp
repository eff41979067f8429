// The numeric entry fields driven with real key, mouse and focus events.
#include "RaisedErrors.h"
#include "base/KelvorErrors.h"
#include "tests/model/LocaleGuard.h"
#include "ui/ValEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

class ValEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RaisedErrors().clear();
        window.resize(400, 200);
        mantissa = new TMantisaEdit(&window);
        mantissa->setGeometry(10, 10, 60, 20);
        exponent = new TExponentEdit(&window);
        exponent->resize(20, 20);
        mantissa->SetAttachedControl(exponent);
        other = new TValEdit(&window);
        other->setGeometry(10, 50, 60, 20);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(w->hasFocus());
    }

    // Focuses the field, selects everything and types text.
    void Type(TCustomNumEdit2* field, const QString& text)
    {
        Focus(field);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QWidget window;
    TMantisaEdit* mantissa = nullptr;
    TExponentEdit* exponent = nullptr;
    TValEdit* other = nullptr;
};

} // namespace

TEST_F(ValEditTest, TypingStopsAtTheDecimalPlacesAndTheRange)
{
    mantissa->SetMaxLength(0); // so that only the decimal places stop it
    Type(mantissa, QStringLiteral("1.23456"));
    EXPECT_EQ(mantissa->text(), "1.2345");
    mantissa->SetMaxLength(5);

    Type(mantissa, QStringLiteral("-"));
    EXPECT_EQ(mantissa->text(), "-"); // reads as -0, inside -1..9999
    QTest::keyClicks(mantissa, QStringLiteral("2"));
    EXPECT_EQ(mantissa->text(), "-");

    Type(mantissa, QStringLiteral("99999"));
    EXPECT_EQ(mantissa->text(), "9999");

    Type(mantissa, QStringLiteral("1a2x"));
    EXPECT_EQ(mantissa->text(), "12");

    // Five characters at most.
    Type(mantissa, QStringLiteral("1.0001"));
    EXPECT_EQ(mantissa->text(), "1.000");
}

TEST_F(ValEditTest, OneSidedAndOpenRanges)
{
    TCustomNumEdit2 plain(&window);
    plain.SetMinValue(5); // MaxValue 0 below MinValue: only the lower bound
    EXPECT_EQ(plain.Value(), 5);
    plain.SetValue(1e6);
    EXPECT_EQ(plain.Value(), 1e6);
    plain.SetValue(1);
    EXPECT_EQ(plain.Value(), 5);

    plain.SetMinValue(0);
    plain.SetMaxValue(-5); // MinValue 0 above MaxValue: only the upper bound
    plain.SetValue(-100);
    EXPECT_EQ(plain.Value(), -100);
    plain.SetValue(3);
    EXPECT_EQ(plain.Value(), -5);

    plain.SetMaxValue(0); // equal bounds: no range
    plain.SetValue(123456);
    EXPECT_EQ(plain.Value(), 123456);
}

TEST_F(ValEditTest, ExponentFieldReplacesItsDigit)
{
    Focus(exponent);
    exponent->selectAll();
    QTest::keyClick(exponent, '3');
    EXPECT_EQ(exponent->text(), "3");
    QTest::keyClick(exponent, '6');
    EXPECT_EQ(exponent->text(), "6");
    QTest::keyClick(exponent, '7'); // out of range
    EXPECT_EQ(exponent->text(), "6");
    QTest::keyClick(exponent, '-');
    EXPECT_EQ(exponent->text(), "-");
    QTest::keyClick(exponent, '0');
    EXPECT_EQ(exponent->text(), "0");
    EXPECT_EQ(exponent->selectedText(), "0");
}

TEST_F(ValEditTest, DisplayTextWithoutFocusEditTextWithFocus)
{
    exponent->SetValue(3);
    EXPECT_EQ(exponent->text(), "-3");
    EXPECT_EQ(exponent->Text(), "3");
    Focus(exponent);
    EXPECT_EQ(exponent->text(), "3");
    exponent->SetValue(-1);
    Focus(other);
    EXPECT_EQ(exponent->text(), "FF");

    mantissa->SetValue(-1);
    EXPECT_EQ(mantissa->text(), "0");
    EXPECT_EQ(mantissa->Text(), "-1");
    mantissa->SetValue(12.5);
    EXPECT_EQ(mantissa->text(), "12.5");

    TCustomNumEdit2 plain(&window);
    plain.SetValue(1234.5);
    EXPECT_EQ(plain.text(), "1,234.50");
    EXPECT_EQ(plain.Text(), "1234.5");
    plain.SetDisplayFormat(QString());
    EXPECT_EQ(plain.text(), "1234.5");
}

TEST_F(ValEditTest, SetTextNormalisesAndClamps)
{
    mantissa->SetText(QStringLiteral("005.5"));
    EXPECT_EQ(mantissa->Text(), "5.5");
    EXPECT_EQ(mantissa->Value(), 5.5);
    mantissa->SetText(QStringLiteral(" 12345 "));
    EXPECT_EQ(mantissa->Value(), 9999);
    mantissa->SetText(QString());
    EXPECT_EQ(mantissa->Value(), 0);
    try {
        mantissa->SetText(QStringLiteral("FFFF."));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'FFFF.' is not a valid floating point value");
    }
    EXPECT_EQ(mantissa->Value(), 0);

    mantissa->SetDeviceText(QStringLiteral("12.35"));
    EXPECT_EQ(mantissa->Text(), "12.35");
    EXPECT_EQ(mantissa->DeviceText(), "12.35");
}

TEST_F(ValEditTest, EscapeRestoresTheLastValue)
{
    mantissa->SetValue(2.5);
    Type(mantissa, QStringLiteral("77"));
    EXPECT_EQ(mantissa->text(), "77");
    QTest::keyClick(mantissa, Qt::Key_Escape);
    EXPECT_EQ(mantissa->text(), "2.5");
    EXPECT_EQ(mantissa->selectedText(), "2.5");
    EXPECT_EQ(mantissa->Value(), 2.5);
}

TEST_F(ValEditTest, FocusCommitsAndRunsTheOwnerHooks)
{
    Focus(other);
    QStringList calls;
    mantissa->OnEnter = [&] { calls << "enter:" + mantissa->text(); };
    mantissa->OnExit = [&] { calls << "exit:" + mantissa->text(); };
    mantissa->SetValue(-1);
    Type(mantissa, QStringLiteral("42.5"));
    Focus(other);
    EXPECT_EQ(calls, QStringList({"enter:-1", "exit:42.5"}));
    EXPECT_EQ(mantissa->Value(), 42.5);
    EXPECT_FALSE(mantissa->IsFocused());
    EXPECT_TRUE(RaisedErrors().isEmpty());
}

TEST_F(ValEditTest, AFailedCommitKeepsTheFocusAndRaisesTheError)
{
    int otherEntered = 0;
    other->OnEnter = [&] { ++otherEntered; };
    mantissa->SetValue(1.5);
    Type(mantissa, QStringLiteral("1."));
    QTest::keyClick(mantissa, Qt::Key_Home);
    QTest::keyClick(mantissa, Qt::Key_Delete); // Delete is not filtered: "." is left
    ASSERT_EQ(mantissa->text(), ".");
    EXPECT_EQ(mantissa->Value(), -1); // reading Value of a bad text gives MinValue

    other->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(RaisedErrors(), QStringList({"'.' is not a valid floating point value"}));
    EXPECT_TRUE(mantissa->hasFocus());
    EXPECT_EQ(otherEntered, 0);
    EXPECT_EQ(mantissa->text(), ".");
    EXPECT_EQ(mantissa->selectedText(), ".");

    QTest::keyClick(mantissa, '8'); // the selection is replaced
    Focus(other);
    EXPECT_EQ(mantissa->Value(), 8);
    EXPECT_EQ(RaisedErrors().size(), 1);
}

TEST_F(ValEditTest, PasteCommitsOrRestoresTheText)
{
    mantissa->SetValue(12);
    Focus(mantissa);
    mantissa->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("3.25"));
    QTest::keyClick(mantissa, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(mantissa->text(), "3.25");
    EXPECT_EQ(mantissa->Value(), 3.25);

    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    mantissa->selectAll();
    QTest::keyClick(mantissa, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(mantissa->text(), "3.25");
    EXPECT_EQ(mantissa->selectedText(), "3.25");
    EXPECT_TRUE(mantissa->hasFocus());
    QTRY_COMPARE(RaisedErrors(), QStringList({"'abc' is not a valid floating point value"}));

    // A long paste is cut to the field's length, as typing would be.
    QGuiApplication::clipboard()->setText(QStringLiteral("123456789"));
    mantissa->selectAll();
    mantissa->Paste();
    EXPECT_EQ(mantissa->text(), "12345");
    EXPECT_EQ(mantissa->Value(), 9999);
}

TEST_F(ValEditTest, ContextMenuPasteIsChecked)
{
    mantissa->SetValue(7);
    Focus(mantissa);
    mantissa->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("x1"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), mantissa->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(mantissa, &event);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    QTRY_COMPARE(RaisedErrors(), QStringList({"'x1' is not a valid floating point value"}));
    EXPECT_EQ(mantissa->text(), "7");
}

TEST_F(ValEditTest, OwnerKeyHookComesFirst)
{
    QString sign;
    mantissa->OnKey = [&](QKeyEvent* e) {
        if (e->text() == QLatin1String("+") || e->text() == QLatin1String("-")) {
            sign = e->text();
            return true;
        }
        return false;
    };
    Type(mantissa, QStringLiteral("-5"));
    EXPECT_EQ(sign, "-");
    EXPECT_EQ(mantissa->text(), "5");
}

TEST_F(ValEditTest, ExponentSitsRightOfItsMantissaAndFollowsIt)
{
    EXPECT_EQ(exponent->AttachedControl(), mantissa);
    EXPECT_EQ(mantissa->AttachedControl(), exponent);
    EXPECT_EQ(exponent->pos(), QPoint(10 + 60 + 1, 10));
    mantissa->move(100, 40);
    EXPECT_EQ(exponent->pos(), QPoint(161, 40));
    mantissa->resize(80, 20);
    EXPECT_EQ(exponent->pos(), QPoint(181, 40));

    mantissa->SetAutoWidth(true);
    const int expected = mantissa->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 5;
    EXPECT_EQ(mantissa->width(), expected);
    EXPECT_EQ(exponent->x(), 100 + expected + 1);
    exponent->SetAutoWidth(true);
    EXPECT_EQ(exponent->width(), exponent->fontMetrics().horizontalAdvance(QStringLiteral("W")) + 5);
}

TEST_F(ValEditTest, AClickOnTheExponentGoesToItsMantissa)
{
    mantissa->SetValue(12.5);
    Focus(other);
    QTest::mouseClick(exponent, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(mantissa->hasFocus());
    EXPECT_EQ(mantissa->selectedText(), "12.5");
    EXPECT_FALSE(exponent->hasFocus());

    // Tab never lands on it, but code can focus it.
    EXPECT_FALSE(exponent->focusPolicy() & Qt::TabFocus);
    Focus(exponent);
}

TEST_F(ValEditTest, PartnerAndLabelReferencesClearWhenDestroyed)
{
    auto* label = new QLabel(QStringLiteral("+"), &window);
    mantissa->SetSignLabel(label);
    EXPECT_EQ(mantissa->SignLabel(), label);
    delete label;
    EXPECT_EQ(mantissa->SignLabel(), nullptr);

    delete exponent;
    EXPECT_EQ(mantissa->AttachedControl(), nullptr);
    mantissa->move(0, 0); // no partner to place any more

    auto* second = new TExponentEdit(&window);
    mantissa->SetAttachedControl(second);
    delete mantissa;
    EXPECT_EQ(second->AttachedControl(), nullptr);
    EXPECT_TRUE(second->focusPolicy() & Qt::ClickFocus); // clickable again on its own

    // Replacing a partner releases the old one.
    auto* m = new TMantisaEdit(&window);
    auto* first = new TExponentEdit(&window);
    m->SetAttachedControl(first);
    m->SetAttachedControl(second);
    EXPECT_EQ(first->AttachedControl(), nullptr);
    EXPECT_EQ(second->AttachedControl(), m);
}

TEST_F(ValEditTest, CommaLocaleAtTheFieldsEdge)
{
    LocaleGuard guard(LocaleGuard::German());
    mantissa->SetDeviceText(QStringLiteral("1.234")); // the device's full stop
    EXPECT_EQ(mantissa->Value(), 1.234);
    EXPECT_EQ(mantissa->text(), "1,234");
    EXPECT_EQ(mantissa->DeviceText(), "1.234");

    Type(mantissa, QStringLiteral("2.5"));
    EXPECT_EQ(mantissa->text(), "25"); // the thousands separator is refused
    Type(mantissa, QStringLiteral("2,575"));
    EXPECT_EQ(mantissa->text(), "2,575");
    EXPECT_EQ(mantissa->DeviceText(), "2.575");
    Focus(other);
    EXPECT_EQ(mantissa->Value(), 2.575);
    EXPECT_EQ(mantissa->text(), "2,575");

    mantissa->SetText(QStringLiteral("0,5"));
    EXPECT_EQ(mantissa->Value(), 0.5);

    TCustomNumEdit2 plain(&window);
    plain.SetValue(1234.5);
    EXPECT_EQ(plain.text(), "1.234,50");
}
