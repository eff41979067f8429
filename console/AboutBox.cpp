#include "AboutBox.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "console/ProgramVersion.h"
#include "ui/Pictures.h"

namespace {

constexpr int BoxWidth = 300, BoxHeight = 150;
constexpr int IconLeft = 20, IconTop = 20, IconSize = 64;
constexpr int TextLeft = 104, ProductTop = 26, VersionTop = 62;
constexpr int OkWidth = 75, OkHeight = 25, OkMargin = 12;

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : TSecondaryWindow(parent, QStringLiteral("AboutBox"), QStringLiteral("About Kelvor9"))
{
    QLabel* icon = AddLabel(this, QStringLiteral("ProgramIcon"), QString(), IconLeft, IconTop);
    icon->setPixmap(Pictures::ProgramIcon().pixmap(IconSize, IconSize));
    icon->resize(IconSize, IconSize);

    QLabel* product = AddLabel(this, QStringLiteral("ProductName"), QStringLiteral("Kelvor 9"), TextLeft, ProductTop);
    QFont large = product->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.6);
    product->setFont(large);
    product->adjustSize();
    const QString version = QStringLiteral("Version ") + QLatin1String(ProgramVersion);
    AddLabel(this, QStringLiteral("Version"), version, TextLeft, VersionTop)->adjustSize();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(BoxWidth - OkWidth - OkMargin, BoxHeight - OkHeight - OkMargin, OkWidth, OkHeight);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(BoxWidth, BoxHeight);
}

// Centred on the screen the box opens on, not over the main window.
void TAboutBox::showEvent(QShowEvent* event)
{
    TSecondaryWindow::showEvent(event);
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
