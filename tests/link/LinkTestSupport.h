#pragma once
// Helpers for the link tests: real pseudo-terminals, a scripted device on the
// master side, a port folder of their own, and a traffic view that records.
#include "link/CommUnit.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// A pseudo-terminal pair; the test holds the master, the code under test
// opens the slave by its path.
class TPtyPair {
public:
    TPtyPair();
    ~TPtyPair();
    QString SlavePath() const { return FSlavePath; }
    int Master() const { return FMaster; }
    void Write(const std::string& bytes);
    // Reads what the slave side wrote until `count` bytes came or timeoutMs passed.
    std::string ReadAtLeast(size_t count, int timeoutMs);
    void CloseMaster(); // the far end hangs up

private:
    int FMaster = -1;
    QString FSlavePath;
};

// A device on the master side of a pty: answers "=" with "=" (when asked to)
// and each complete frame with what the responder returns.
class TScriptedDevice {
public:
    using TResponder = std::function<std::string(const std::string& frameText)>;
    explicit TScriptedDevice(TResponder responder, bool answerAttention = true);
    ~TScriptedDevice();
    QString SlavePath() const { return FPty.SlavePath(); }
    std::string Received() const;       // every byte the device received
    bool WaitForReceived(size_t count, int timeoutMs) const;
    void Write(const std::string& bytes) { FPty.Write(bytes); }

private:
    void Run();
    TPtyPair FPty;
    TResponder FResponder;
    bool FAnswerAttention;
    mutable std::mutex FLock;
    mutable std::condition_variable FChanged;
    std::string FReceived;
    std::string FUnparsed;
    int FWake[2] { -1, -1 };
    std::thread FThread;
};

// A private port folder with COMn entries as symbolic links.
class TPortFolder {
public:
    TPortFolder();
    QString Path() const { return FDir.path(); }
    void Link(int number, const QString& target);
    void Unlink(int number);

private:
    QTemporaryDir FDir;
};

class TRecordingView : public TTrafficView {
public:
    bool Showing = true;
    QStringList Entries;
    QList<bool> SentFlags;
    bool IsShowing() const override { return Showing; }
    void AppendEntry(const QString& entry, bool sent) override
    {
        Entries << entry;
        SentFlags << sent;
    }
    // The texts without the CR LF and time stamp.
    QStringList Texts() const;
};

// Serves events until condition holds or timeoutMs passed; blocks in the
// event loop between checks instead of spinning.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

// QTRY_* report their failures to QTestLib, not to GoogleTest: use these.
#define ASSERT_EVENTUALLY(condition) \
    ASSERT_TRUE(WaitUntil([&] { return bool(condition); }, 5000)) << "never came true: " #condition
#define EXPECT_EVENTUALLY(condition) \
    EXPECT_TRUE(WaitUntil([&] { return bool(condition); }, 5000)) << "never came true: " #condition

// How much slower than usual the tests run (a sanitizer build): 1 normally.
int TestTimeScale();

// Puts a link in the state a dialogue's case starts from: a search that
// found no device (port -1), or a dialogue running with the device ready,
// without a device that misbehaves on cue.
class TLinkTestAccess {
public:
    static void SetPort(TfrmComm& link, int port) { link.FPort = port; }
    static void SetReady(TfrmComm& link, bool ready) { link.FReady = ready; }
    static void SetIdle(TfrmComm& link, bool idle) { link.FIdle = idle; }
};

// A link set up for tests: no open pause, short timeout, private folder.
void PrepareLink(TfrmComm& link, const QString& portFolder, int timeoutMs = 2000);

// The message of the error that action raises, or "<no error>".
inline QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EKelvorError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}
