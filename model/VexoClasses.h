#pragma once
// The console's picture of the stimulator's current paradigm and the device
// commands that change it. Every number is held the way the device writes it:
// as characters (sign, five-character mantissa, exponent sign and digit).
// The model changes only from the device's replies, never from what was asked.
#include <QByteArray>
#include <QChar>
#include <QString>

#include <optional>

class TDeviceLink;

// One device number held as characters. Its exchange form is the nine-character
// value text: sign, mantissa, "E", exponent sign, exponent digit (+1.234E-3).
// An ExponentDigit of 'F' marks a value that was never set.
// The number conversions here are locale-independent and use the full stop,
// the separator of the device's own texts; the entry fields apply the user's
// locale at their edge.
class TVexoValue {
public:
    QByteArray Mantissa; // 5 characters
    char Sign = 0;
    char ExponentDigit = 'F';
    char ExponentSign = 0;

    TVexoValue(); // unset

    // Unset: mantissa "FFFF.", exponent digit 'F', both signs NUL.
    void Clear();

    // Takes the characters at their positions: 1 sign (a blank becomes '+'),
    // 2-6 mantissa, 8 exponent sign, 9 exponent digit. No validation. Missing
    // positions of a text shorter than nine characters read as blanks.
    void SetFromText(const QString& text);

    // The nine-character text sent to the device: the mantissa trimmed and
    // left-padded with '0' to five characters (5 + four blanks gives +00005E-3).
    QString ToDeviceText() const;

    // The number the value stands for. Throws EConvertError ("'%s' is not a
    // valid floating point value") when the characters do not form a number,
    // as for an unset value; test IsUnset() first.
    double ToFloat() const;

    // Stores x in engineering form, rounded to four significant digits:
    // 0.0123 gives +12.30E-3, 12340 gives +12.34E+3, zero +0.000E+0. Exponents
    // -7 to -9 stay as they are. Magnitudes below 1E-9 (after rounding) are
    // stored as zero; 1E10 and above, infinities and NaN throw EConvertError
    // because one exponent digit cannot hold them.
    void SetFromFloat(double x);

    // The amplitude text: the number clamped to the device's amplitude range
    // (AmplitudeLow .. AmplitudeHigh, -10 .. 9.99), written with the stored
    // sign character, e.g. +5.000E+0, +9.990E+0, -10.00E+0.
    // Throws EConvertError like ToFloat() when unset.
    QString ToAmplitudeText() const;

    bool IsUnset() const { return ExponentDigit == 'F'; }
    bool IsShownUnset() const { return Mantissa.size() > 1 && Mantissa.at(1) == 'F'; }

    bool operator==(const TVexoValue&) const = default;
};

// Channel mode index 0..6 -> 'F','N','G','C','T','W','O' ('O' outside the range).
QChar ModeLetter(int mode);
// The mode index of a device mode letter, -1 when it is none.
int ModeFromLetter(QChar c);
// Shape index 0..2 -> 'M','B','R' ('M' outside the range).
QChar ShapeLetter(int shape);
// The shape index of a shape letter, -1 when it is none.
int ShapeFromLetter(QChar c);
// A link matrix row or column as the one hexadecimal digit the device
// writes: 1..9, then A, B, C for columns 10..12.
QChar HexDigit(int n);
// Link cell state 1 -> "+", 2 -> "*", anything else a single blank.
QString LinkCellText(int state);
// First character '*' -> 2, '+' -> 1, anything else (and an empty text) -> 0.
int LinkCellFromText(const QString& text);

enum { ModeFreeRun = 0, ModeTrain, ModeTrigger, ModeDC, ModeGate, ModeTwin, ModeOff };

// A channel's settings by their index: the index the set-parameter operation
// and a script's setting instruction take; the main window's grid shows
// setting i in its row i + 1. The shape is chosen from a list, not sent as
// a value.
enum {
    SettingDuration = 0,
    SettingDelay,
    SettingInterval,
    SettingPulseCount,
    SettingVoltage,
    SettingShape,
    SettingDeltaV,
    SettingCount
};

// What the grid takes for a setting: its mantissa field holds at most 59999
// pulses, else 9999 (seconds, or volts either side of zero); a zero duration,
// interval or pulse count is never sent.
inline constexpr double SettingFieldMaximum(int setting) { return setting == SettingPulseCount ? 59999 : 9999; }
inline constexpr bool ZeroIsNotSent(int setting)
{
    return setting == SettingDuration || setting == SettingInterval || setting == SettingPulseCount;
}

// The device's amplitude range: an amplitude beyond it goes out as the limit.
inline constexpr double AmplitudeHigh = 9.99, AmplitudeLow = -10.0;

class TChannel;
class Tparadigm;

// The parameters of one channel. Each setter sends one command and copies the
// device's echo into the model; a refusal puts the device's text in error and
// leaves the model as it was; no reply (or no link) changes nothing. An unset
// new value sends nothing and leaves error untouched. Each returns the reply
// payload as it came (empty when none came in time), or nothing when no
// command was sent, for callers that record what the device said.
class TChannelSettings {
public:
    TVexoValue Duration, Interval, Delay, PulseCount, Voltage, DeltaV;
    quint8 Shape = 0;
    TChannel* Channel = nullptr; // the owning channel, not owned

    std::optional<QString> SetDuration(const TVexoValue& v, QString& error);
    std::optional<QString> SetInterval(const TVexoValue& v, QString& error);
    std::optional<QString> SetDelay(const TVexoValue& v, QString& error);
    std::optional<QString> SetPulseCount(const TVexoValue& v, QString& error);
    std::optional<QString> SetVoltage(const TVexoValue& v, QString& error);
    std::optional<QString> SetDeltaV(const TVexoValue& v, QString& error);

    // The value of a setting by its index; nullptr for the shape and for an
    // index out of range.
    const TVexoValue* Value(int setting) const;
    // Sends a setting by its index through its setter above; nothing is
    // sent (nullopt) for the shape and for an index out of range.
    std::optional<QString> Set(int setting, const TVexoValue& v, QString& error);

private:
    std::optional<QString> SendParameter(char command, TVexoValue& target, const TVexoValue& v, QString& error);
};

class TChannel {
public:
    quint8 PowerOn = 1, Enabled = 0, Mode = 0;
    int Number = 0;
    TChannelSettings Settings;
    Tparadigm* Paradigm = nullptr; // set by the owning paradigm; the link comes from there

    TChannel();
    TChannel(const TChannel&) = delete;
    TChannel& operator=(const TChannel&) = delete;

    // Switches the channel on (its own mode letter) or off ("O"), e.g. "MF3".
    // While the channel's power flag is clear only Enabled changes.
    void SetEnabled(bool on);
    // Sends the requested mode only while PowerOn equals Enabled. Returns the
    // reply payload (empty when none came), or nothing when nothing was sent.
    std::optional<QString> SetMode(int mode);
    // Sends "S", the channel number and the shape letter, e.g. "S2B".
    void SetShape(int shape);
    void SetPowerOn(bool on) { PowerOn = on ? 1 : 0; }

    TDeviceLink* Link() const;
};

class TSocket {
public:
    quint8 PowerOn = 1;
    TChannel Channel;
    void SetPowerOn(bool on);
};

class Tparadigm {
public:
    explicit Tparadigm(TDeviceLink* link = nullptr);
    Tparadigm(const Tparadigm&) = delete;
    Tparadigm& operator=(const Tparadigm&) = delete;

    void SetLink(TDeviceLink* link) { FLink = link; }
    TDeviceLink* Link() const { return FLink; }

    quint8 PowerOn = 1;
    quint8 Links[10][13] = {}; // [row 1..9][column 1..12]: 0 none, 1 "+", 2 "*"
    TSocket Sockets[10];       // 1..9 used; socket 0 is an inert spare
    int Number = 0;
    char StoreMode = 'R';

    // Sockets[n].Channel for n = 1..9. Any other n gives the spare channel of
    // socket 0, which has no link and therefore sends nothing.
    TChannel& Channel(int n);

    // Stores the flag here and in every socket; switching off also sends "O"
    // (no reply awaited).
    void SetPowerOn(bool on);
    // Send "X"/"Z" with row and column as hexadecimal digits (X1A, X9C) and
    // take the cell's new state from the sixth character of the reply.
    // Cells outside rows 1..9 and columns 1..12 are not sent.
    void AddLink(int row, int col);
    void RemoveLink(int row, int col);
    // '*' -> 2, '+' -> 1, '-' -> 0; any other character leaves the cell.
    void SetLinkCell(int row, int col, QChar c);

    // The state reply: "OK.", the paradigm digit, nine 63-character channel
    // blocks. A payload that does not begin with "OK." is a refusal and changes
    // nothing. A missing or non-digit paradigm digit throws EConvertError
    // ("'%s' is not a valid integer value") before anything changes. Blocks that
    // the payload does not hold in full leave their channels unchanged.
    void ParseState(const QString& payload);
    // One 63-character channel block into channel 1..9; a shorter block, or
    // another channel number, changes nothing.
    void ParseChannelBlock(int channel, const QString& block);
    // The link reply: "OK." and 108 cell characters row by row. A refusal
    // changes nothing; cells beyond a short payload stay as they are.
    void ParseLinks(const QString& payload);

private:
    void SendLink(char command, int row, int col);
    TDeviceLink* FLink = nullptr;
};

// True when the payload is a success reply ("OK." followed by its data).
bool IsSuccessReply(const QString& payload);
