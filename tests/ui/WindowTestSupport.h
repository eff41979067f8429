#pragma once
// What the tests of every window share: the operator's answers to questions
// and file dialogs, scripted; the messages of the error boxes, collected by
// the application object of the test programs (WindowTestMain.cpp).
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

#include "ui/UserDialogs.h"

// Failures show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The messages the application's error boxes would have shown, in order.
QStringList& ReportedErrors();

class TScriptedDialogs : public TUserDialogs {
public:
    bool Confirm(QWidget*, const QString& text) override
    {
        Questions.append(text);
        return ConfirmAnswer;
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton) override
    {
        Questions.append(text);
        Asked.append({text, buttons, icon, defaultButton});
        return Answers.isEmpty() ? QMessageBox::Yes : Answers.takeFirst();
    }
    void ShowError(QWidget*, const QString& message) override { Errors.append(message); }
    void ShowMessage(QWidget*, const QString& text) override { Messages.append(text); }
    QString AskSaveFileName(QWidget*, const TFileDialogOptions& options) override
    {
        LastOptions = options;
        if (OnFileDialog)
            OnFileDialog();
        return FileName;
    }
    QString AskOpenFileName(QWidget*, const TFileDialogOptions& options) override
    {
        LastOptions = options;
        return FileName;
    }

    // Runs as the file dialog closes (a real one leaves no window active).
    std::function<void()> OnFileDialog;
    bool ConfirmAnswer = true;
    QList<QMessageBox::StandardButton> Answers; // for Ask, in turn; then Yes
    QString FileName;
    QStringList Questions;
    struct TQuestion {
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton defaultButton;
    };
    QList<TQuestion> Asked; // Ask's questions with their boxes' make
    QStringList Errors;
    QStringList Messages; // plain message boxes
    TFileDialogOptions LastOptions;
};
