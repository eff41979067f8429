#include "CommEventThread.h"

#include "RaceAnnotations.h"

#include <QCoreApplication>

#include <cerrno>
#include <linux/serial.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

QEvent::Type TCommHandOverEvent::EventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TCommEventThread::TCommEventThread(int device, TCommEventTypes events, QObject* receiver,
                                   std::atomic<int>& lineErrors)
    : FDevice(device), FEvents(events), FReceiver(receiver), FLineErrors(lineErrors),
      FHandOver(std::make_shared<TCommHandOver>())
{
    FHandOver->WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    FEpoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (FEpoll >= 0 && FHandOver->WakeFd >= 0) {
        epoll_event wake {};
        wake.events = EPOLLIN;
        wake.data.fd = FHandOver->WakeFd;
        ::epoll_ctl(FEpoll, EPOLL_CTL_ADD, FHandOver->WakeFd, &wake);
        // Edge-triggered: bytes that wait are reported once per arrival, not
        // again and again while they stay in the queue. A hang-up is always
        // reported (EPOLLHUP needs no request).
        epoll_event line {};
        line.events = EPOLLIN | EPOLLET;
        if (FEvents & CommBit(evTxEmpty))
            line.events |= EPOLLOUT;
        line.data.fd = FDevice;
        ::epoll_ctl(FEpoll, EPOLL_CTL_ADD, FDevice, &line);
    }
    LineChanges(); // the counters' starting point
    FThread = std::thread([this] { Run(); });
}

TCommEventThread::~TCommEventThread()
{
    Stop();
    if (FThread.joinable())
        FThread.join();
}

void TCommEventThread::Stop()
{
    std::lock_guard<std::mutex> lock(FHandOver->Lock);
    if (FHandOver->Stop)
        return;
    FHandOver->Stop = true;
    if (!FHandOver->Exited && FHandOver->WakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(FHandOver->WakeFd, &one, sizeof one);
    }
    FHandOver->Handled.notify_all();
}

void TCommEventThread::Run()
{
    TCommHandOver& handOver = *FHandOver;
    bool running = FEpoll >= 0 && handOver.WakeFd >= 0;
    while (running) {
        epoll_event ready[4];
        const int count = ::epoll_wait(FEpoll, ready, 4, -1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            break;
        TCommEventTypes mask = 0;
        bool hungUp = false;
        bool writable = false;
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.fd == handOver.WakeFd) {
                uint64_t drained = 0;
                [[maybe_unused]] auto got = ::read(handOver.WakeFd, &drained, sizeof drained);
                continue;
            }
            if (ready[i].events & EPOLLIN)
                mask |= CommBit(evRxChar);
            if (ready[i].events & EPOLLOUT)
                writable = true;
            if (ready[i].events & (EPOLLHUP | EPOLLERR))
                hungUp = true;
        }
        std::unique_lock<std::mutex> lock(handOver.Lock);
        // The device is touched only under the lock and before Stop: Close
        // sets Stop under the same lock before it closes the descriptor.
        if (handOver.Stop)
            break;
        mask |= LineChanges();
        if (writable) {
            int waiting = 0;
            if (::ioctl(FDevice, TIOCOUTQ, &waiting) < 0 || waiting == 0)
                mask |= CommBit(evTxEmpty);
        }
        mask &= FEvents;
        if (mask == 0 && !hungUp)
            continue;
        handOver.Pending = true;
        auto* event = new TCommHandOverEvent(FHandOver, mask, hungUp);
        K9_PUBLISHED(event);
        QCoreApplication::postEvent(FReceiver, event);
        handOver.Handled.wait(lock, [&] { return !handOver.Pending || handOver.Stop; });
        // After a hang-up the line stays dead: one report, then the thread ends.
        if (handOver.Stop || hungUp)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(handOver.Lock);
        handOver.Exited = true;
    }
    if (handOver.WakeFd >= 0)
        ::close(handOver.WakeFd);
    if (FEpoll >= 0)
        ::close(FEpoll);
    FFinished = true;
}

TCommEventTypes TCommEventThread::LineChanges()
{
    // Serial drivers count line errors and modem-line changes; pseudo-terminals
    // do not (ENOTTY), and then nothing is reported.
    if (!FCountersSupported)
        return 0;
    serial_icounter_struct now {};
    if (::ioctl(FDevice, TIOCGICOUNT, &now) < 0) {
        FCountersSupported = false;
        return 0;
    }
    const Counters current { now.cts, now.dsr, now.rng, now.dcd, now.frame, now.overrun,
                             now.parity, now.brk, now.buf_overrun };
    TCommEventTypes mask = 0;
    if (FCountersKnown) {
        int errors = 0;
        if (current.frame != FLast.frame) errors |= ceFrame;
        if (current.overrun != FLast.overrun) errors |= ceOverrun;
        if (current.parity != FLast.parity) errors |= ceRxParity;
        if (current.buf_overrun != FLast.buf_overrun) errors |= ceRxOver;
        if (current.brk != FLast.brk) {
            errors |= ceBreak;
            mask |= CommBit(evBreak);
        }
        if (errors & ~ceBreak)
            mask |= CommBit(evError);
        FLineErrors.fetch_or(errors);
        if (current.cts != FLast.cts) mask |= CommBit(evCts);
        if (current.dsr != FLast.dsr) mask |= CommBit(evDsr);
        if (current.rng != FLast.rng) mask |= CommBit(evRing);
        if (current.dcd != FLast.dcd) mask |= CommBit(evRlsd);
    }
    FLast = current;
    FCountersKnown = true;
    return mask;
}
