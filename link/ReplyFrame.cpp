#include "ReplyFrame.h"

#include "base/KelvorErrors.h"

#include <cstring>

namespace ReplyFrame {

QByteArray CommandFrame(const QString& text)
{
    return '>' + QByteArray::number(text.size()).rightJustified(4, '0') + text.toLatin1();
}

QString DialogueTextFault(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return QStringLiteral("The text holds characters the Kelvor 9 cannot receive (only Latin-1 characters "
                                  "can be sent).");
    }
    if (text.size() > LongestDialogueText)
        return QStringLiteral("The text is too long: %1 characters, at most %2.").arg(text.size()).arg(LongestDialogueText);
    return {};
}

QString CutAtZero(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.constData(), int(qstrnlen(bytes.constData(), size_t(bytes.size()))));
}

} // namespace ReplyFrame

int TReplyFrameReader::Wanted(int waiting) const
{
    switch (FState) {
    case Start: return waiting >= 5 ? 1 : 0;
    case Length: {
        const int rest = 4 - int(FLengthField.size());
        return waiting >= rest ? rest : 0;
    }
    case Body: {
        const int rest = FLength - int(FPayload.size());
        if (waiting >= rest)
            return rest;
        // A long payload cannot wait whole in the driver's queue: take it in
        // parts of a useful size.
        return FLength > WholePayloadLimit && waiting >= WholePayloadLimit / 2 ? waiting : 0;
    }
    case Done: return 0;
    }
    return 0;
}

void TReplyFrameReader::Feed(const QByteArray& bytes)
{
    switch (FState) {
    case Start:
        if (bytes == "<")
            FState = Length;
        return;
    case Length: {
        FLengthField += bytes;
        if (FLengthField.size() < 4)
            return;
        const QString field = ReplyFrame::CutAtZero(FLengthField);
        bool ok = false;
        FLength = field.toInt(&ok, 10);
        if (!ok)
            throw EConvertError::NotInteger(field);
        // A length of 0000 (or a negative one) is an empty reply.
        FState = FLength <= 0 ? Done : Body;
        return;
    }
    case Body:
        FPayload += bytes;
        if (FPayload.size() >= FLength)
            FState = Done;
        return;
    case Done:
        return;
    }
}
