// The link against the simulated Kelvor 9 on a real pseudo-terminal.
#include "LinkTestSupport.h"
#include "sim/SimServer.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace {

struct LinkOnSim {
    explicit LinkOnSim(std::function<void(sim::SimOptions&)> configure = {}, int timeoutMs = 2000)
    {
        sim::SimOptions options;
        options.portDir = Folder.Path().toStdString();
        options.reserveDelayMs = 100;
        if (configure)
            configure(options);
        Sim.emplace(options);
        Sim->start();
        PrepareLink(Link, Folder.Path(), timeoutMs);
        Link.Connect(); // found by the search
    }
    TPortFolder Folder;
    std::optional<sim::SimServer> Sim;
    TfrmComm Link;
};

// A widget whose key press starts an operation on the link, as the main
// window's fields do.
class TOperatorField : public QWidget {
public:
    std::function<void()> OnKey;

protected:
    void keyPressEvent(QKeyEvent*) override
    {
        if (OnKey)
            OnKey();
    }
};

} // namespace

TEST(SimEndToEnd, FindsTheSimulatorAndTalks)
{
    LinkOnSim rig;
    ASSERT_EQ(rig.Link.Port(), 9);
    const QString reply = rig.Link.Dialogue(QStringLiteral("GT"));
    EXPECT_TRUE(reply.startsWith(QStringLiteral("OK."))) << reply.toStdString();
    EXPECT_EQ(reply.size(), 4);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D1+1.000E-3")), QStringLiteral("OK.+1.000E-3"));
    rig.Link.SendCommand(QStringLiteral("T1"));
    ASSERT_TRUE(rig.Sim->waitForFrames(3, 2000));
    EXPECT_EQ(rig.Sim->frames(), (std::vector<std::string> { "GTR", "D1+1.000E-3R", "T1" }));
}

TEST(SimEndToEnd, FaultModes)
{
    LinkOnSim rig({}, 300);
    rig.Sim->setSilent(true);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QString());
    rig.Sim->setSilent(false);

    rig.Sim->setGarbage(true);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D2+2.000E-3")), QStringLiteral("OK.+2.000E-3"));
    rig.Sim->setGarbage(false);

    rig.Sim->setBadLength(true);
    EXPECT_EQ(MessageOf([&] { rig.Link.Dialogue(QStringLiteral("GT")); }),
              QStringLiteral("'?004' is not a valid integer value"));
    rig.Sim->setBadLength(false);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D3+3.000E-3")), QStringLiteral("OK.+3.000E-3"));

    rig.Sim->setTruncate(true);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D4+4.000E-3")), QString());
    rig.Sim->setTruncate(false);
    // The cut frame's rest does not disturb the next dialogue.
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D5+5.000E-3")), QStringLiteral("OK.+5.000E-3"));
}

TEST(SimEndToEnd, HangUpDuringADialogue)
{
    LinkOnSim rig([](sim::SimOptions& o) {
        o.hangupAfter = 1;
        o.silent = true; // no reply: the line drops while the dialogue waits
    });
    ASSERT_EQ(rig.Link.Port(), 9);
    QSignalSpy lost(&rig.Link, &TfrmComm::ConnectionLost);
    EXPECT_EQ(MessageOf([&] { rig.Link.Dialogue(QStringLiteral("GT")); }), TfrmComm::LostMessage());
    ASSERT_EQ(lost.count(), 1);
    EXPECT_EQ(rig.Link.Port(), 0);
    EXPECT_FALSE(rig.Link.Comm32().Connected());
    EXPECT_FALSE(rig.Link.ExchangeOutstanding());

    // The device comes back under the same name; the next refresh connects.
    rig.Sim->setSilent(false);
    ASSERT_TRUE(rig.Sim->waitForLinesServed(2, 5000));
    rig.Link.Connect();
    ASSERT_EQ(rig.Link.Port(), 9);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D1+7.000E-3")), QStringLiteral("OK.+7.000E-3"));
    EXPECT_EQ(lost.count(), 1);
}

TEST(SimEndToEnd, HangUpWhileIdle)
{
    LinkOnSim rig([](sim::SimOptions& o) { o.hangupAfter = 2; });
    ASSERT_EQ(rig.Link.Port(), 9);
    QSignalSpy lost(&rig.Link, &TfrmComm::ConnectionLost);
    EXPECT_TRUE(rig.Link.Dialogue(QStringLiteral("GT")).startsWith(QStringLiteral("OK.")));
    rig.Link.SendCommand(QStringLiteral("T1")); // the device drops the line after it
    ASSERT_EVENTUALLY(lost.count() == 1);
    EXPECT_EQ(rig.Link.Port(), 0);
    EXPECT_FALSE(rig.Link.Comm32().Connected());
    // Nothing more is reported while the device is away and comes back.
    ASSERT_TRUE(rig.Sim->waitForLinesServed(2, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(lost.count(), 1);
    rig.Link.Connect();
    ASSERT_EQ(rig.Link.Port(), 9);
    EXPECT_TRUE(rig.Link.Dialogue(QStringLiteral("GT")).startsWith(QStringLiteral("OK.")));
}

// Nothing is written to a line the console has closed: the rest of the
// operation that was running ends silently (the loss is its one message),
// and later operations say that the device is not connected.
TEST(SimEndToEnd, NothingIsWrittenToALostLine)
{
    LinkOnSim rig([](sim::SimOptions& o) { o.hangupAfter = 1; });
    ASSERT_EQ(rig.Link.Port(), 9);
    QSignalSpy lost(&rig.Link, &TfrmComm::ConnectionLost);
    {
        TOperation operation(&rig.Link);
        rig.Link.SendCommand(QStringLiteral("T1")); // the device drops the line after it
        ASSERT_EVENTUALLY(lost.count() == 1);
        EXPECT_THROW(rig.Link.Dialogue(QStringLiteral("GT")), ESilentAbort);
        EXPECT_THROW(rig.Link.SendCommand(QStringLiteral("T2")), ESilentAbort);
        EXPECT_THROW(rig.Link.Connect(), ESilentAbort); // no search in the middle of it
    }
    EXPECT_EQ(MessageOf([&] { rig.Link.Dialogue(QStringLiteral("GT")); }), TfrmComm::NotConnectedMessage());
    EXPECT_EQ(MessageOf([&] { rig.Link.SendCommand(QStringLiteral("T2")); }), TfrmComm::NotConnectedMessage());
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(rig.Sim->frames(), std::vector<std::string>{"T1"});
    // After a search that found nothing a dialogue stays quiet (the start-up
    // refresh without a device); a send still says why it cannot.
    TLinkTestAccess::SetPort(rig.Link, -1);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("GT")), QString());
    EXPECT_EQ(MessageOf([&] { rig.Link.SendCommand(QStringLiteral("T2")); }), TfrmComm::NotConnectedMessage());
}

// A second operation started while the first reply is late never takes that
// reply: the operator's key waits until the exchange has ended, and a timer
// that wants the link is told it is busy.
TEST(SimEndToEnd, TwoOperationsEachGetTheirOwnReply)
{
    LinkOnSim rig([](sim::SimOptions& o) { o.delayMs = 300; });
    ASSERT_EQ(rig.Link.Port(), 9);

    TOperatorField field;
    field.show();
    QString secondReply;
    field.OnKey = [&] { secondReply = rig.Link.Dialogue(QStringLiteral("D2+2.000E-3")); };
    QString busyMessage, busySendMessage;
    bool outstandingSeen = false;
    QSignalSpy ended(&rig.Link, &TfrmComm::ExchangeEnded);

    QTimer::singleShot(50, [&] {
        outstandingSeen = rig.Link.ExchangeOutstanding();
        QTest::keyClick(&field, Qt::Key_A); // delivered by another path than the window system
        busyMessage = MessageOf([&] { rig.Link.Dialogue(QStringLiteral("D3+3.000E-3")); });
        busySendMessage = MessageOf([&] { rig.Link.SendCommand(QStringLiteral("T1")); });
    });
    const QString firstReply = rig.Link.Dialogue(QStringLiteral("D1+1.000E-3"));
    EXPECT_EQ(firstReply, QStringLiteral("OK.+1.000E-3"));
    EXPECT_TRUE(outstandingSeen);
    EXPECT_EQ(busyMessage, TfrmComm::BusyMessage());
    EXPECT_EQ(busySendMessage, TfrmComm::BusyMessage());
    EXPECT_TRUE(secondReply.isEmpty()); // held back, not yet run

    ASSERT_EVENTUALLY(secondReply == QStringLiteral("OK.+2.000E-3"));
    EXPECT_EQ(ended.count(), 2);
    EXPECT_EQ(rig.Sim->frames(), (std::vector<std::string> { "D1+1.000E-3R", "D2+2.000E-3R" }));
}

// A reply that comes after its dialogue gave up is not taken by the next one.
TEST(SimEndToEnd, ALateReplyIsDrainedBeforeTheNextExchange)
{
    // The reply comes well after the dialogue's limit, however slowly the tests run.
    LinkOnSim rig([](sim::SimOptions& o) { o.delayMs = 400 * TestTimeScale(); }, 150);
    TRecordingView view;
    rig.Link.AttachView(&view);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D1+1.000E-3")), QString());
    ASSERT_EVENTUALLY(view.Texts().join(QString()).contains(QStringLiteral("OK.+1.000E-3")));
    rig.Sim->setDelayMs(0);
    EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D2+2.000E-3")), QStringLiteral("OK.+2.000E-3"));
}

// Many opens and closes while the device keeps sending.
TEST(SimEndToEnd, ReconnectsWhileBytesArrive)
{
    LinkOnSim rig;
    for (int cycle = 0; cycle < 40; ++cycle) {
        rig.Link.SendCommand(QStringLiteral("T1")); // the device answers its "=" meanwhile
        rig.Link.OpenPort(9);
        if (cycle % 4 == 0) {
            EXPECT_EQ(rig.Link.Dialogue(QStringLiteral("D1+1.000E-3")), QStringLiteral("OK.+1.000E-3"));
        }
    }
}

