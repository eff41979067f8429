#include "Pictures.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into the windows' shared static library; its
// resources must be registered before the first use.
static void InitPictureResources()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

// Renders an SVG resource once per size and keeps it: the grid redraws
// bulbs and channel pictures often.
QPixmap Render(const QString& name, QSize size)
{
    static QHash<QString, QPixmap> cache;
    static const bool registered = (InitPictureResources(), true);
    Q_UNUSED(registered);
    const QString key = name + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x')
        + QString::number(size.height());
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/") + name);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace

namespace Pictures {

QPixmap Mode(int mode)
{
    static const char* names[] = {"mode_freerun", "mode_train", "mode_trigger", "mode_dc",
                                  "mode_gate",    "mode_twin",  "mode_off"};
    if (mode < 0 || mode > 6)
        mode = 6;
    return Render(QLatin1String(names[mode]) + QStringLiteral(".svg"), QSize(63, 18));
}

QPixmap Shape(int shape)
{
    static const char* names[] = {"shape_monopolar", "shape_bipolar", "shape_rank"};
    if (shape < 0 || shape > 2)
        shape = 0;
    return Render(QLatin1String(names[shape]) + QStringLiteral(".svg"), QSize(56, 21));
}

QPixmap Bulb(int state)
{
    static const char* names[] = {"bulb_off", "bulb_plus", "bulb_star"};
    if (state < 0 || state > 2)
        state = 0;
    return Render(QLatin1String(names[state]) + QStringLiteral(".svg"), QSize(13, 13));
}

QPixmap Channel(bool on)
{
    return Render(on ? QStringLiteral("channel_on.svg") : QStringLiteral("channel_off.svg"), QSize(18, 18));
}

QPixmap Trigger()
{
    return Render(QStringLiteral("trigger.svg"), QSize(13, 18));
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(Render(QStringLiteral("kelvor9.svg"), QSize(size, size)));
    return icon;
}

} // namespace Pictures
