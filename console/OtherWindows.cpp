#include "OtherWindows.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
}

TfrmScheduler::TfrmScheduler(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScheduler"));
    setWindowTitle(QStringLiteral("Scheduler"));
}

TfrmScriptEditor::TfrmScriptEditor(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScriptEditor"));
    setWindowTitle(QStringLiteral("Script Editor"));
}

TfrmProgressBar::TfrmProgressBar(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgressBar"));
    setWindowTitle(QStringLiteral("Progress"));
}
