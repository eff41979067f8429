#include "FileWriter.h"

#include <QSaveFile>

#include "KelvorErrors.h"

namespace FileWriter {

std::function<bool(qint64)> WriteGate;

namespace {

constexpr qint64 ChunkSize = 1024;

[[noreturn]] void Fail(const QString& fileName, const QString& reason)
{
    throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, reason));
}

} // namespace

void WriteAtomically(const QString& fileName, const QByteArray& content)
{
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        Fail(fileName, file.errorString());
    qint64 written = 0;
    while (written < content.size()) {
        const qint64 chunk = qMin(ChunkSize, content.size() - written);
        if (WriteGate && !WriteGate(written)) {
            file.cancelWriting();
            Fail(fileName, QStringLiteral("No space left on device"));
        }
        const qint64 done = file.write(content.constData() + written, chunk);
        if (done <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            Fail(fileName, reason);
        }
        written += done;
    }
    if (!file.commit())
        Fail(fileName, file.errorString());
}

} // namespace FileWriter
