#include "CheckTimer.h"

TQtCheckTimer::TQtCheckTimer()
{
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
        if (OnTick)
            OnTick();
    });
}

void TQtCheckTimer::Start(int ms)
{
    FTimer.start(ms);
}

void TQtCheckTimer::Stop()
{
    FTimer.stop();
}

bool TQtCheckTimer::IsActive() const
{
    return FTimer.isActive();
}
