// Fuzzes the dispatcher of remote calls (what other programs send the
// console over D-Bus) with any arguments for every method, over a console
// made of the model and a fake device link, with the console busy and idle
// in turn.
//
// Input: a stream of steps. Each step's first byte chooses a method (or
// makes the console busy, or idle: the calls waiting for it then run); the
// arguments follow as a 32-bit integer, a double's eight bytes, and texts of
// a length byte and that many bytes (Latin-1 or UTF-8 by the length byte's
// top bit).
//
// Promises: every call is answered exactly once, with a value or one of the
// console's error names; a call answered InvalidArgument sent nothing at
// all; whatever reaches the link names channels and paradigms 1 to 9 and is
// a text the device can receive.
#include "FuzzCheck.h"
#include "base/DeviceLink.h"
#include "remote/RemoteDispatcher.h"
#include "remote/RemoteNames.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

namespace Error = RemoteNames::Error;

// The device's side: remembers every text and answers "OK." with the value
// a setting or mode command carries.
class TFakeLink final : public TDeviceLink {
public:
    QString Dialogue(const QString& command) override
    {
        Record(command);
        return QStringLiteral("OK.") + command.mid(command.startsWith(QLatin1Char('M')) ? 1 : 2, 9);
    }
    void SendCommand(const QString& text) override { Record(text); }

    int Sent = 0;
    bool FromConsole = false; // the console's own command, not an Exchange's text

private:
    void Record(const QString& text)
    {
        ++Sent;
        FUZZ_CHECK(!text.isEmpty() && text.size() <= 9999, "a text the frame cannot carry");
        for (const QChar c : text)
            FUZZ_CHECK(c.unicode() <= 0xFF, "a character the device cannot receive");
        const QChar kind = text.at(0);
        if (kind == QLatin1Char('T') || kind == QLatin1Char('Y')) {
            bool number = false;
            const int n = text.mid(1).toInt(&number);
            // An Exchange may send any text; the console's own commands name 1 to 9.
            FUZZ_CHECK(!FromConsole || (number && n >= 1 && n <= 9), "a channel or paradigm the device does not have");
        }
    }
};

// The console's operations on the model, as the window runs them.
class TFakeConsole final : public TRemoteConsole {
public:
    explicit TFakeConsole(TFakeLink& link) : FLink(link), FParadigm(&link) {}

    bool Busy() const override { return IsBusy; }
    void CallWhenIdle(std::function<void()> action) override { Idle.push_back(std::move(action)); }
    void ShowStatus(const QString& text) override { Status = text; }

    void Trigger(int channel) override { Own([&] { FLink.SendCommand(QStringLiteral("T%1").arg(channel)); }); }
    std::optional<QString> SetSetting(int channel, int setting, const TVexoValue& value) override
    {
        QString error;
        FUZZ_CHECK(channel >= 1 && channel <= 9 && setting >= 0 && setting < SettingCount && setting != SettingShape,
                   "a setting the grid does not have");
        return FParadigm.Channel(channel).Settings.Set(setting, value, error);
    }
    std::optional<QString> SetMode(int channel, int mode) override
    {
        FUZZ_CHECK(channel >= 1 && channel <= 9 && mode >= 0 && mode <= ModeOff, "a mode the list does not have");
        return FParadigm.Channel(channel).SetMode(mode);
    }
    QChar ModeLetterOf(int channel) override { return ModeLetter(FParadigm.Channel(channel).Mode); }
    QString SelectParadigm(int number) override
    {
        QString reply;
        Own([&] { reply = FLink.Dialogue(QStringLiteral("Y%1").arg(number)); });
        return reply;
    }
    QString LoadParadigmFile(const QString&) override { return FLink.Dialogue(QStringLiteral("E")); }
    void SaveParadigmFile(const QString& path) override { FUZZ_CHECK(!path.isEmpty(), "a save without a name"); }
    void Refresh() override { FLink.Dialogue(QStringLiteral("GT")); }
    QString StartScript(const QString& path) override { return path; }
    void StopScript() override {}
    QString Exchange(const QString& text) override { return FLink.Dialogue(text); }
    TRemoteChannelList Channels() override { return {}; }

    bool IsBusy = false;
    std::vector<std::function<void()>> Idle;
    QString Status;

private:
    template <class F>
    void Own(F send)
    {
        FLink.FromConsole = true;
        send();
        FLink.FromConsole = false;
    }

    TFakeLink& FLink;
    Tparadigm FParadigm;
};

class TInput {
public:
    TInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool Done() const { return FAt >= FSize; }
    uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
    int Int()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | Byte();
        return int(v);
    }
    double Double()
    {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | Byte();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    QString Text()
    {
        const uint8_t head = Byte();
        QByteArray bytes;
        for (int i = 0; i < (head & 0x7F) && !Done(); ++i)
            bytes += char(Byte());
        // Now and then a text as long as a frame allows, and one longer.
        if ((head & 0x7F) == 0x7F)
            bytes = QByteArray(9998 + Byte() % 3, bytes.isEmpty() ? 'G' : bytes.at(0));
        return head & 0x80 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt = 0;
};

const QStringList KnownErrors = {Error::NotConnected, Error::Refused, Error::NoReply, Error::Busy,
                                 Error::InvalidArgument, Error::FileError, Error::Failed};

// One call: answered once, and sending nothing when its arguments are refused.
struct TCallCheck {
    int Answers = 0;
    int SentBefore = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The dispatcher's expiry timer needs an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFakeLink link;
    TFakeConsole console(link);
    std::vector<std::shared_ptr<TCallCheck>> calls;
    {
        TRemoteDispatcher dispatcher(console);
        TInput in(data, size);
        auto sink = [&] {
            auto check = std::make_shared<TCallCheck>();
            check->SentBefore = link.Sent;
            calls.push_back(check);
            return [check, &link](const TRemoteReply& reply) {
                ++check->Answers;
                FUZZ_CHECK(check->Answers == 1, "a call answered twice");
                if (!reply.Failed())
                    return;
                FUZZ_CHECK(KnownErrors.contains(reply.ErrorName), "an error name outside the interface");
                FUZZ_CHECK(!reply.Message.isEmpty(), "an error without its message");
                if (reply.ErrorName == Error::InvalidArgument)
                    FUZZ_CHECK(link.Sent == check->SentBefore, "a refused call sent something");
            };
        };
        for (int steps = 0; !in.Done() && steps < 200; ++steps) {
            switch (in.Byte() % 13) {
            case 0: dispatcher.Trigger(in.Int(), sink()); break;
            case 1: {
                const int channel = in.Int();
                const QString setting = in.Text();
                dispatcher.SetSetting(channel, setting, in.Double(), sink());
                break;
            }
            case 2: {
                const int channel = in.Int();
                dispatcher.SetMode(channel, in.Text(), sink());
                break;
            }
            case 3: dispatcher.SelectParadigm(in.Int(), sink()); break;
            case 4: dispatcher.LoadParadigmFile(in.Text(), sink()); break;
            case 5: dispatcher.SaveParadigmFile(in.Text(), sink()); break;
            case 6: dispatcher.Refresh(sink()); break;
            case 7: dispatcher.StartScript(in.Text(), sink()); break;
            case 8: dispatcher.StopScript(sink()); break;
            case 9: dispatcher.Exchange(in.Text(), sink()); break;
            case 10: dispatcher.GetChannels(sink()); break;
            case 11: console.IsBusy = true; break;
            default: {
                console.IsBusy = false;
                std::vector<std::function<void()>> idle;
                idle.swap(console.Idle);
                for (auto& action : idle)
                    action();
                break;
            }
            }
        }
        int unanswered = 0;
        for (const auto& call : calls)
            unanswered += call->Answers == 0;
        FUZZ_CHECK(unanswered == dispatcher.Waiting(), "a call neither answered nor waiting");
    }
    // What still waited was answered when the dispatcher went.
    for (const auto& call : calls)
        FUZZ_CHECK(call->Answers == 1, "a call never answered");
    return 0;
}
