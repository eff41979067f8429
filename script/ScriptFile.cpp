#include "ScriptFile.h"

#include "ScriptModel.h"
#include "model/FileReader.h"

namespace ScriptFile {

QStringList SplitLines(const QByteArray& bytes)
{
    return FileReader::SplitTextLines(QString::fromLocal8Bit(bytes));
}

QByteArray Bytes(const TScriptLines& lines)
{
    QByteArray bytes;
    for (const QString& line : lines.Lines()) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            throw EScriptError(QStringLiteral("The instruction \"%1\" holds a line break and cannot be written "
                                              "to a script file.")
                                   .arg(line.simplified()));
        bytes += line.toLocal8Bit();
        bytes += "\r\n";
    }
    return bytes;
}

TScriptLines Read(const QString& fileName)
{
    return TScriptLines(SplitLines(FileReader::ReadRegularFile(fileName)));
}

} // namespace ScriptFile
