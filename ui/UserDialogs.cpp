#include "UserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

// Without a window manager nobody gives the keyboard back to the window
// once a modal box has closed; the window takes it back itself, so that the
// operator's next shortcut reaches it.
void ReturnFocusTo(QWidget* parent)
{
    if (parent && parent->window()->isVisible())
        parent->window()->activateWindow();
}

namespace {

// Device texts and file names are shown exactly as they are, never as markup.
void MakePlain(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
}

} // namespace

bool TUserDialogs::Confirm(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    MakePlain(box);
    box.setDefaultButton(QMessageBox::Ok);
    const bool confirmed = box.exec() == QMessageBox::Ok;
    ReturnFocusTo(parent);
    return confirmed;
}

QMessageBox::StandardButton TUserDialogs::Ask(QWidget* parent, const QString& text,
                                              QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QApplication::applicationName(), text, buttons, parent);
    MakePlain(box);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    const auto answer = QMessageBox::StandardButton(box.exec());
    ReturnFocusTo(parent);
    return answer;
}

bool TUserDialogs::AskWarning(QWidget* parent, const QString& text)
{
    return Ask(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QMessageBox::No)
        == QMessageBox::Yes;
}

void TUserDialogs::ShowError(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok, parent);
    MakePlain(box);
    box.exec();
    ReturnFocusTo(parent);
}

void TUserDialogs::ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    MakePlain(box);
    box.exec();
    ReturnFocusTo(parent);
}

namespace {

// Turns the "Name|*.ext|Name|*.*" filter form into the toolkit's form.
QString ToQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // A name that already shows its patterns ("CSV Files (*.csv)") keeps them once.
        if (parts[i].endsWith(QStringLiteral("(%1)").arg(patterns)))
            filters << parts[i];
        else
            filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString RunFileDialog(QWidget* parent, const TFileDialogOptions& options, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, options.caption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(ToQtFilter(options.filter));
    dialog.setDefaultSuffix(options.defaultSuffix);
    // The widget-based dialog behaves the same on every desktop and under a
    // bare X server.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (QFileInfo(options.startPath).isDir())
        dialog.setDirectory(options.startPath);
    else if (!options.startPath.isEmpty())
        dialog.selectFile(options.startPath);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    ReturnFocusTo(parent);
    return chosen ? dialog.selectedFiles().constFirst() : QString();
}

} // namespace

QString TUserDialogs::AskSaveFileName(QWidget* parent, const TFileDialogOptions& options)
{
    return RunFileDialog(parent, options, QFileDialog::AcceptSave);
}

QString TUserDialogs::AskOpenFileName(QWidget* parent, const TFileDialogOptions& options)
{
    return RunFileDialog(parent, options, QFileDialog::AcceptOpen);
}
