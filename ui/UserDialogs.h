#pragma once
// The questions and messages the console puts to the operator. The main
// window asks through this interface so that tests can answer for the
// operator; the default shows the toolkit's modal boxes and file dialogs.
#include <QMessageBox>
#include <QString>

class QWidget;

struct TFileDialogOptions {
    QString caption;
    QString filter;            // "Kelvor 9 Paradigm|*.kr9|All Files|*.*"
    QString defaultSuffix;     // without the dot
    bool confirmOverwrite = true;
    QString startPath;         // a file or folder to start at; empty: the dialog's own choice
};

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // A confirmation with OK and Cancel; true for OK.
    virtual bool Confirm(QWidget* parent, const QString& text);
    // A question with the given buttons (Yes and No, or Yes, No and Cancel);
    // the button chosen, Cancel or No when the box was closed otherwise.
    // defaultButton is what Enter chooses (NoButton: the toolkit's choice).
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon = QMessageBox::Question,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // A warning with Yes and No, No the default button: true for Yes. For
    // questions whose Yes cannot be taken back.
    bool AskWarning(QWidget* parent, const QString& text);
    // An error box with the message of a failed operation.
    virtual void ShowError(QWidget* parent, const QString& message);
    // A plain message box: the text and an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text);
    // Empty when the operator cancelled.
    virtual QString AskSaveFileName(QWidget* parent, const TFileDialogOptions& options);
    virtual QString AskOpenFileName(QWidget* parent, const TFileDialogOptions& options);
};

// Gives the keyboard back to parent's window after a modal box closed.
void ReturnFocusTo(QWidget* parent);
