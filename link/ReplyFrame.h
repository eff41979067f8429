#pragma once
// The frames on the wire. A command goes out as ">" + the text's length in
// four digits + the text; the device answers a command that ends in "R" with
// "<" + the payload's length in four digits + the payload.
//
// TReplyFrameReader reads one reply frame from bytes as they arrive. It asks
// for exactly as many bytes as belong to its frame, so that nothing of a
// following frame is consumed, and in three reads however the bytes trickle
// in: "<" once a whole header waits, the four length digits (then waiting
// too), and the payload once all of it waits. Only a payload longer than
// the serial driver is sure to hold at once (its queue stops at 4095 bytes)
// is taken in parts as they come. It holds no port: the dialogue feeds it
// from the port's input queue, the fuzz target feeds it directly.
#include <QByteArray>
#include <QString>

namespace ReplyFrame {

// The length field has four digits, so a frame carries at most this many
// characters of command text.
constexpr int LongestFramedText = 9999;

// A dialogue adds the reply request "R" to its text: the text itself may
// have one character less.
constexpr int LongestDialogueText = LongestFramedText - 1;

// ">" + four-digit length + text (8-bit, one byte per character).
QByteArray CommandFrame(const QString& text);

// Why a dialogue's text cannot be sent, or an empty text when it can: the
// device has 8-bit characters only (Latin-1; any other would go out as "?"),
// and the frame's length field four digits.
QString DialogueTextFault(const QString& text);

// The payload up to its first zero byte, one character per byte.
QString CutAtZero(const QByteArray& bytes);

} // namespace ReplyFrame

class TReplyFrameReader {
public:
    // The longest payload that is read only once all of it waits.
    static constexpr int WholePayloadLimit = 2048;

    // How many bytes to read next, given how many wait in the queue; 0 means
    // wait for more. Bytes before "<" are taken one at a time, but only while
    // a whole header (five bytes) waits.
    int Wanted(int waiting) const;
    // Takes bytes read from the queue (at most Wanted()). A length field that
    // is not a decimal number raises EConvertError with the four characters.
    void Feed(const QByteArray& bytes);
    bool Complete() const { return FState == Done; }
    // The next bytes wanted are the payload's.
    bool InPayload() const { return FState == Body; }
    // The payload, cut at its first zero byte; empty for a length of 0000.
    QString Payload() const { return ReplyFrame::CutAtZero(FPayload); }
    // The payload's bytes read so far.
    const QByteArray& PayloadBytes() const { return FPayload; }

private:
    enum { Start, Length, Body, Done } FState = Start;
    QByteArray FLengthField;
    int FLength = 0;
    QByteArray FPayload;
};
