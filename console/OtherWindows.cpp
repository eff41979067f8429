#include "OtherWindows.h"

TSecondaryWindow::TSecondaryWindow(QWidget* parent, const QString& name, const QString& caption) : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(caption);
}
