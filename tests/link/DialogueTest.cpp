// Framing, the dialogue and the receive handler against a scripted device.
#include "LinkTestSupport.h"
#include "link/LinkLog.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace {

struct LinkOnDevice {
    explicit LinkOnDevice(TScriptedDevice::TResponder responder, bool answerAttention = true)
        : Device(std::move(responder), answerAttention)
    {
        Folder.Link(5, Device.SlavePath());
        PrepareLink(Link, Folder.Path(), 300);
        Link.OpenPort(5);
    }
    TScriptedDevice Device;
    TPortFolder Folder;
    TfrmComm Link;
};

std::string Replying(const std::string& reply) { return reply; }

// The reply the device gives next, set by the test while the device's
// thread reads it.
class TNextReply {
public:
    void operator=(const std::string& reply)
    {
        std::lock_guard<std::mutex> lock(FLock);
        FReply = reply;
    }
    std::string Get() const
    {
        std::lock_guard<std::mutex> lock(FLock);
        return FReply;
    }

private:
    mutable std::mutex FLock;
    std::string FReply;
};

} // namespace

TEST(Dialogue, FramesTheCommandAndReturnsThePayload)
{
    LinkOnDevice rig([](const std::string& text) { return text == "GTR" ? Replying("<0004OK.M") : std::string(); });
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QStringLiteral("OK.M"));
    EXPECT_EQ(rig.Device.Received(), "=>0003GTR");
    EXPECT_TRUE(rig.Link.Idle());
    EXPECT_FALSE(rig.Link.Ready());
    EXPECT_FALSE(rig.Link.ExchangeOutstanding());
}

TEST(Dialogue, ReadsTheReplyFrameByItsRules)
{
    TNextReply reply;
    LinkOnDevice rig([&](const std::string&) { return reply.Get(); });
    // Bytes before "<" are skipped (the device's own "=" among them).
    reply = "xy<0003OK.";
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("A")), QStringLiteral("OK."));
    // A zero byte cuts the payload.
    reply = std::string("<0006OK.\0ZZ", 11);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("B")), QStringLiteral("OK."));
    // Length 0000 is an empty reply, the same as no answer.
    reply = "<0000";
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("C")), QString());
    // A refusal is passed on as it came.
    reply = "<0021ERRInterval too short";
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D")), QStringLiteral("ERRInterval too short"));
    // A payload longer than the driver holds at once still arrives whole.
    const std::string big(6000, 'k');
    reply = "<6003OK." + big;
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("E")), QStringLiteral("OK.") + QString::fromStdString(big));
}

// The rest of a reply frame arrives while the dialogue logs a byte it drops
// before the "<" (logging serves events, which takes the arrival's event).
// The dialogue must still see those bytes instead of waiting for its deadline.
TEST(Dialogue, BytesArrivingWhileADroppedByteIsLoggedAreNotMissed)
{
    struct TDelayingView : TTrafficView {
        TScriptedDevice* Device = nullptr;
        int* Arrivals = nullptr;
        bool Armed = true;
        bool IsShowing() const override { return true; }
        void AppendEntry(const QString& entry, bool sent) override
        {
            if (sent || !Armed || !entry.endsWith(QStringLiteral(":.....=")))
                return;
            Armed = false;
            // The rest of the frame arrives, and its arrival is handled here,
            // inside the logging of the dropped byte.
            const int before = *Arrivals;
            Device->Write("4OK.M");
            WaitUntil([this, before] { return *Arrivals > before; }, 2000);
        }
    };
    LinkOnDevice rig([](const std::string& text) { return text == "GTR" ? std::string("=<000") : std::string(); },
                     false);
    rig.Link.Settings().DialogueTimeoutMs = 5000;
    int arrivals = 0;
    const auto handler = rig.Link.Comm32().OnRxChar;
    rig.Link.Comm32().OnRxChar = [&](TComm* port, int count) {
        ++arrivals;
        handler(port, count);
    };
    TDelayingView view;
    view.Device = &rig.Device;
    view.Arrivals = &arrivals;
    rig.Link.AttachView(&view);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QStringLiteral("OK.M"));
    EXPECT_FALSE(view.Armed);
    EXPECT_LT(clock.elapsed(), 5000) << "the dialogue waited for its deadline";
    rig.Link.AttachView(nullptr);
}

// Work queued while the log takes a received byte runs once the serial
// hand-over has returned, so an exchange it starts is answered at wire speed
// instead of waiting for its deadline with the event thread held.
TEST(Dialogue, WorkQueuedWhileTheLogIsWrittenRunsAfterTheHandOver)
{
    // The device takes a moment to answer, as a real one does: the reply
    // comes after the dialogue has started waiting for line events.
    LinkOnDevice rig([](const std::string& text) {
        if (text != "GTR")
            return std::string();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Replying("<0004OK.M");
    });
    rig.Link.Settings().DialogueTimeoutMs = 10000;
    rig.Link.Dialogue(QStringLiteral("GT")); // the link is idle: a device "=" is now logged
    struct TQueuingView : TTrafficView {
        TfrmComm* Link = nullptr;
        bool Queued = false;
        std::optional<QString> NestedReply;
        qint64 NestedMs = 0;
        bool IsShowing() const override { return true; }
        void AppendEntry(const QString& entry, bool sent) override
        {
            if (sent || Queued || !entry.endsWith(QLatin1Char('=')))
                return;
            Queued = true;
            QTimer::singleShot(0, [this] {
                QElapsedTimer clock;
                clock.start();
                NestedReply = Link->Dialogue(QStringLiteral("GT"));
                NestedMs = clock.elapsed();
            });
        }
    } view;
    view.Link = &rig.Link;
    rig.Link.AttachView(&view);
    rig.Link.SendCommand(QStringLiteral("T3"));
    ASSERT_TRUE(WaitUntil([&] { return view.NestedReply.has_value(); }, 5000));
    EXPECT_EQ(*view.NestedReply, QStringLiteral("OK.M"));
    EXPECT_LT(view.NestedMs, 5000) << "the exchange waited for its deadline";
    rig.Link.AttachView(nullptr);
}

TEST(Dialogue, NoAnswerGivesAnEmptyReplyAfterTheTimeout)
{
    LinkOnDevice rig([](const std::string&) { return std::string(); }, false);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QString());
    // A truncated frame too: its rest is drained by the next dialogue.
    EXPECT_TRUE(rig.Link.Idle());
}

TEST(Dialogue, BadLengthFieldRaisesAConversionErrorAndTheNextDialogueRecovers)
{
    int calls = 0;
    LinkOnDevice rig([&](const std::string&) { return ++calls == 1 ? std::string("<00x4OK.M") : std::string("<0004OK.R"); });
    try {
        rig.Link.Dialogue(QStringLiteral("GT"));
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("'00x4' is not a valid integer value"));
    }
    EXPECT_TRUE(rig.Link.Idle());
    EXPECT_FALSE(rig.Link.Ready());
    EXPECT_FALSE(rig.Link.ExchangeOutstanding());
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QStringLiteral("OK.R"));
}

TEST(Dialogue, NoDeviceFoundReturnsAtOnceAndWritesNothing)
{
    LinkOnDevice rig([](const std::string&) { return std::string(); });
    QLoggingCategory::setFilterRules(QStringLiteral("kelvor9.link.debug=true"));
    static QStringList lines;
    lines.clear();
    auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QLatin1String(context.category) == QLatin1String("kelvor9.link"))
            lines << text;
    });
    TLinkTestAccess::SetPort(rig.Link, -1);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QString());
    TLinkTestAccess::SetPort(rig.Link, 5);
    rig.Link.SendCommand(QStringLiteral("T1"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_TRUE(rig.Device.WaitForReceived(8, 2000));
    // The first bytes on the wire are those of the later command.
    EXPECT_EQ(rig.Device.Received(), "=>0002T1");
    EXPECT_EQ(lines, (QStringList { QStringLiteral("Dialogue:GT"), QStringLiteral("Send:>0002T1") }));
}

TEST(Dialogue, DebugLinesAreOffByDefault)
{
    EXPECT_FALSE(lcLink().isDebugEnabled());
    EXPECT_TRUE(lcLink().isWarningEnabled());
}

TEST(Dialogue, RefusesCommandsTooLongForTheLengthField)
{
    LinkOnDevice rig([](const std::string&) { return std::string("<0003OK."); });
    try {
        rig.Link.SendCommand(QString(10000, QLatin1Char('A')));
        FAIL() << "no error";
    } catch (const EKelvorError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("too long"))) << error.Message().toStdString();
    }
    // The dialogue adds "R": 9999 characters do not fit either.
    EXPECT_THROW(rig.Link.Dialogue(QString(9999, QLatin1Char('A'))), EKelvorError);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QStringLiteral("OK."));
    EXPECT_EQ(rig.Device.Received(), "=>0003GTR"); // nothing else was sent
}

TEST(Dialogue, ReplyError)
{
    EXPECT_EQ(TfrmComm::ReplyError(QStringLiteral("OK.M")), QString());
    EXPECT_EQ(TfrmComm::ReplyError(QStringLiteral("OK.")), QString());
    EXPECT_EQ(TfrmComm::ReplyError(QString()), QString());
    EXPECT_EQ(TfrmComm::ReplyError(QStringLiteral("ERR")), QString());
    EXPECT_EQ(TfrmComm::ReplyError(QStringLiteral("ERRbad value")), QStringLiteral("bad value"));
    EXPECT_EQ(TfrmComm::ReplyError(QStringLiteral("OK,x")), QStringLiteral("x"));
}

TEST(ReceiveHandler, AnEqualsSignMakesTheDeviceReadyAndSendsWhatWaits)
{
    LinkOnDevice rig([](const std::string&) { return std::string(); }, false);
    rig.Link.SendOld(QByteArrayLiteral(">0002T3"));
    EXPECT_FALSE(rig.Link.Ready());
    ASSERT_TRUE(rig.Device.WaitForReceived(1, 2000));
    EXPECT_EQ(rig.Device.Received(), "=");
    rig.Device.Write("ab=");
    ASSERT_EVENTUALLY(rig.Link.Ready());
    EXPECT_TRUE(rig.Device.WaitForReceived(8, 2000));
    EXPECT_EQ(rig.Device.Received(), "=>0002T3");
    EXPECT_TRUE(rig.Link.Pending().isEmpty());
}

TEST(ReceiveHandler, LeavesBytesForARunningDialogueAndDropsThemWhenIdle)
{
    LinkOnDevice rig([](const std::string&) { return std::string(); }, false);
    TRecordingView view;
    rig.Link.AttachView(&view);
    // A dialogue runs (not idle) and the device is ready: bytes stay queued.
    TLinkTestAccess::SetReady(rig.Link, true);
    TLinkTestAccess::SetIdle(rig.Link, false);
    rig.Device.Write("<00");
    ASSERT_EVENTUALLY(rig.Link.Comm32().InQueCount() == 3);
    rig.Link.Comm32RxChar(3);
    EXPECT_EQ(rig.Link.Comm32().InQueCount(), 3);
    // Idle: the handler reads them (a fire-and-forget command's reply).
    TLinkTestAccess::SetIdle(rig.Link, true);
    rig.Link.Comm32RxChar(3);
    EXPECT_EQ(rig.Link.Comm32().InQueCount(), 0);
    EXPECT_EQ(view.Texts().last(), QStringLiteral("<00"));
    EXPECT_FALSE(view.SentFlags.last());
}

TEST(CommReceive, NeverReadsPastItsBuffer)
{
    TScriptedDevice device([](const std::string&) { return std::string(); }, false);
    TPortFolder folder;
    folder.Link(5, device.SlavePath());
    TfrmComm link;
    PrepareLink(link, folder.Path());
    link.Comm32().SetReadBufSize(16);
    link.OpenPort(5);
    TLinkTestAccess::SetReady(link, true); // keep the receive handler's hands off
    device.Write(std::string(40, 'q'));
    ASSERT_EVENTUALLY(link.Comm32().InQueCount() == 40);
    EXPECT_EQ(link.CommReceive(100000), QString(16, QLatin1Char('q')));
    EXPECT_EQ(link.CommReceive(0), QString());
    EXPECT_EQ(link.CommReceive(-5), QString());
    EXPECT_EQ(link.Comm32().InQueCount(), 24);
}

TEST(TrafficLog, EntriesOnlyWhileTheViewShows)
{
    LinkOnDevice rig([](const std::string&) { return std::string("<0004OK.M"); });
    TRecordingView view;
    view.Showing = false;
    rig.Link.AttachView(&view);
    rig.Link.Dialogue(QStringLiteral("GT"));
    EXPECT_TRUE(view.Entries.isEmpty());

    view.Showing = true;
    rig.Link.Dialogue(QStringLiteral("GT"));
    ASSERT_GE(view.Entries.size(), 3);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\r\n\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d:\\.\\.\\.\\.\\.=$"))
                    .match(view.Entries[0])
                    .hasMatch())
        << view.Entries[0].toStdString();
    EXPECT_EQ(view.Texts().mid(0, 2), (QStringList { QStringLiteral("="), QStringLiteral(">0003GTR") }));
    EXPECT_EQ(view.SentFlags.mid(0, 2), (QList<bool> { true, true }));
    EXPECT_TRUE(view.Texts().join(QString()).endsWith(QStringLiteral("OK.M")));
    EXPECT_FALSE(view.SentFlags.last());

    rig.Link.Comm32Error(5);
    EXPECT_EQ(view.Texts().last(), QStringLiteral("Comm32 Errors: Errors Number=5"));
    EXPECT_TRUE(view.SentFlags.last());
    rig.Link.AttachView(nullptr);
    rig.Link.Comm32Error(6);
    EXPECT_EQ(view.Texts().last(), QStringLiteral("Comm32 Errors: Errors Number=5"));
}

TEST(Wait, ServesEventsUntilTheTimeHasPassed)
{
    TfrmComm link;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    link.Wait(0.1);
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_GE(ticks, 1);
    link.Wait(0); // at once
    link.Wait(-1);
}
