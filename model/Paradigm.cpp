// The channel, socket and paradigm model and the device commands that change it.
#include "VexoClasses.h"

#include "base/DeviceLink.h"
#include "base/KelvorErrors.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcModel, "kelvor9.model", QtWarningMsg)

namespace {

const QString SuccessPrefix = QStringLiteral("OK.");

// The device's data in a success reply starts at its fourth character.
QChar ReplyChar(const QString& payload, int position)
{
    return position <= payload.size() ? payload.at(position - 1) : QChar();
}

bool ValidCell(int row, int col)
{
    return row >= 1 && row <= 9 && col >= 1 && col <= 12;
}

} // namespace

bool IsSuccessReply(const QString& payload)
{
    return payload.startsWith(SuccessPrefix);
}

// ---- TChannelSettings ------------------------------------------------------

std::optional<QString> TChannelSettings::SendParameter(char command, TVexoValue& target, const TVexoValue& v,
                                                       QString& error)
{
    if (v.IsUnset() || !Channel)
        return std::nullopt;
    TDeviceLink* link = Channel->Link();
    if (!link)
        return std::nullopt;
    const QString payload = link->Dialogue(QChar::fromLatin1(command)
                                           + QString::number(Channel->Number) + v.ToDeviceText());
    if (payload.isEmpty())
        return payload;
    if (!IsSuccessReply(payload)) {
        error = payload.mid(3);
        return payload;
    }
    // The echo is the value the device stored; a reply too short to hold it
    // says nothing about the value, so the model keeps what it had.
    const QString echo = payload.mid(3, 9);
    if (echo.size() == 9)
        target.SetFromText(echo);
    else
        qCWarning(lcModel) << "short value echo:" << payload;
    return payload;
}

std::optional<QString> TChannelSettings::SetDuration(const TVexoValue& v, QString& error)
{
    return SendParameter('D', Duration, v, error);
}
std::optional<QString> TChannelSettings::SetInterval(const TVexoValue& v, QString& error)
{
    return SendParameter('I', Interval, v, error);
}
std::optional<QString> TChannelSettings::SetDelay(const TVexoValue& v, QString& error)
{
    return SendParameter('L', Delay, v, error);
}
std::optional<QString> TChannelSettings::SetPulseCount(const TVexoValue& v, QString& error)
{
    return SendParameter('N', PulseCount, v, error);
}
std::optional<QString> TChannelSettings::SetVoltage(const TVexoValue& v, QString& error)
{
    return SendParameter('V', Voltage, v, error);
}
std::optional<QString> TChannelSettings::SetDeltaV(const TVexoValue& v, QString& error)
{
    return SendParameter('J', DeltaV, v, error);
}

const TVexoValue* TChannelSettings::Value(int setting) const
{
    switch (setting) {
    case SettingDuration: return &Duration;
    case SettingDelay: return &Delay;
    case SettingInterval: return &Interval;
    case SettingPulseCount: return &PulseCount;
    case SettingVoltage: return &Voltage;
    case SettingDeltaV: return &DeltaV;
    default: return nullptr;
    }
}

std::optional<QString> TChannelSettings::Set(int setting, const TVexoValue& v, QString& error)
{
    switch (setting) {
    case SettingDuration: return SetDuration(v, error);
    case SettingDelay: return SetDelay(v, error);
    case SettingInterval: return SetInterval(v, error);
    case SettingPulseCount: return SetPulseCount(v, error);
    case SettingVoltage: return SetVoltage(v, error);
    case SettingDeltaV: return SetDeltaV(v, error);
    default: return std::nullopt;
    }
}

// ---- TChannel --------------------------------------------------------------

TChannel::TChannel()
{
    Settings.Channel = this;
}

TDeviceLink* TChannel::Link() const
{
    return Paradigm ? Paradigm->Link() : nullptr;
}

void TChannel::SetEnabled(bool on)
{
    if (!PowerOn) {
        Enabled = on ? 1 : 0;
        return;
    }
    TDeviceLink* link = Link();
    if (!link)
        return;
    const QChar letter = on ? ModeLetter(Mode) : QLatin1Char('O');
    qCDebug(lcModel).noquote() << QStringLiteral("%1:%2").arg(Number).arg(letter);
    const QString payload = link->Dialogue(QStringLiteral("M%1%2").arg(letter).arg(Number));
    // Only a success reply tells the resulting mode; a refusal changes nothing.
    if (IsSuccessReply(payload) && payload.size() >= 4)
        Enabled = payload.at(3) != QLatin1Char('O') ? 1 : 0;
}

std::optional<QString> TChannel::SetMode(int mode)
{
    if (PowerOn != Enabled)
        return std::nullopt;
    TDeviceLink* link = Link();
    if (!link)
        return std::nullopt;
    const QString payload = link->Dialogue(QStringLiteral("M%1%2").arg(ModeLetter(mode)).arg(Number));
    if (!IsSuccessReply(payload))
        return payload;
    const int resulting = ModeFromLetter(ReplyChar(payload, 4));
    if (resulting >= 0)
        Mode = static_cast<quint8>(resulting);
    return payload;
}

void TChannel::SetShape(int shape)
{
    TDeviceLink* link = Link();
    if (!link)
        return;
    const QString payload = link->Dialogue(QStringLiteral("S%1%2").arg(Number).arg(ShapeLetter(shape)));
    if (!IsSuccessReply(payload))
        return;
    const int resulting = ShapeFromLetter(ReplyChar(payload, 4));
    if (resulting >= 0)
        Settings.Shape = static_cast<quint8>(resulting);
}

// ---- TSocket ---------------------------------------------------------------

void TSocket::SetPowerOn(bool on)
{
    PowerOn = on ? 1 : 0;
    Channel.SetPowerOn(on);
}

// ---- Tparadigm -------------------------------------------------------------

Tparadigm::Tparadigm(TDeviceLink* link)
    : FLink(link)
{
    for (int i = 1; i <= 9; ++i) {
        Sockets[i].Channel.Number = i;
        Sockets[i].Channel.Paradigm = this;
    }
}

TChannel& Tparadigm::Channel(int n)
{
    return (n >= 1 && n <= 9) ? Sockets[n].Channel : Sockets[0].Channel;
}

void Tparadigm::SetPowerOn(bool on)
{
    PowerOn = on ? 1 : 0;
    for (int i = 1; i <= 9; ++i)
        Sockets[i].SetPowerOn(on);
    if (!on && FLink)
        FLink->SendCommand(QStringLiteral("O"));
}

void Tparadigm::AddLink(int row, int col)
{
    SendLink('X', row, col);
}

void Tparadigm::RemoveLink(int row, int col)
{
    SendLink('Z', row, col);
}

void Tparadigm::SendLink(char command, int row, int col)
{
    if (!FLink || !ValidCell(row, col))
        return;
    const QString payload = FLink->Dialogue(QString(QChar::fromLatin1(command)) + HexDigit(row) + HexDigit(col));
    if (IsSuccessReply(payload) && payload.size() >= 6)
        SetLinkCell(row, col, payload.at(5));
}

void Tparadigm::SetLinkCell(int row, int col, QChar c)
{
    if (!ValidCell(row, col))
        return;
    if (c == QLatin1Char('*'))
        Links[row][col] = 2;
    else if (c == QLatin1Char('+'))
        Links[row][col] = 1;
    else if (c == QLatin1Char('-'))
        Links[row][col] = 0;
}

void Tparadigm::ParseState(const QString& payload)
{
    if (!IsSuccessReply(payload))
        return;
    const QString digit = payload.mid(3, 1);
    if (digit.isEmpty() || digit.at(0) < QLatin1Char('0') || digit.at(0) > QLatin1Char('9'))
        throw EConvertError::NotInteger(digit);
    Number = digit.at(0).unicode() - '0';
    for (int i = 1; i <= 9; ++i)
        ParseChannelBlock(i, payload.mid(63 * (i - 1) + 4, 63));
}

void Tparadigm::ParseChannelBlock(int channel, const QString& block)
{
    if (channel < 1 || channel > 9 || block.size() < 63)
        return;
    TChannel& ch = Sockets[channel].Channel;
    const int mode = ModeFromLetter(block.at(0));
    if (mode >= 0)
        ch.Mode = static_cast<quint8>(mode);
    ch.Enabled = ch.Mode != ModeOff ? 1 : 0;

    TChannelSettings& s = ch.Settings;
    s.Duration.SetFromText(block.mid(2, 9));
    s.Interval.SetFromText(block.mid(12, 9));
    s.Delay.SetFromText(block.mid(22, 9));
    s.PulseCount.SetFromText(block.mid(32, 9));
    const int shape = ShapeFromLetter(block.at(42));
    if (shape >= 0)
        s.Shape = static_cast<quint8>(shape);
    s.Voltage.SetFromText(block.mid(44, 9));
    s.DeltaV.SetFromText(block.mid(54, 9));
}

void Tparadigm::ParseLinks(const QString& payload)
{
    if (!IsSuccessReply(payload))
        return;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 12; ++col) {
            const qsizetype index = 12 * row + col - 10;
            if (index < payload.size())
                SetLinkCell(row, col, payload.at(index));
        }
}
