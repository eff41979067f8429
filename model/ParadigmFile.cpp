#include "ParadigmFile.h"

#include <QVarLengthArray>

#include "FileReader.h"
#include "VexoClasses.h"
#include "base/KelvorErrors.h"

namespace ParadigmFile {

namespace {

constexpr int Channels = 9;
constexpr int Columns = 12;

} // namespace

QByteArray Text(const Tparadigm& paradigm)
{
    QStringList lines;
    lines << QStringLiteral("Paradigm=%1").arg(paradigm.Number);
    lines << QStringLiteral("[Connections]");
    for (int r = 1; r <= Channels; ++r) {
        QString cells;
        for (int j = 1; j <= Columns; ++j)
            cells += LinkCellText(paradigm.Links[r][j]);
        lines << QStringLiteral("Connections%1=").arg(r) + cells;
    }
    for (int n = 1; n <= Channels; ++n) {
        const TChannel& channel = paradigm.Sockets[n].Channel;
        const TChannelSettings& s = channel.Settings;
        const QString c = QString::number(n);
        lines << QStringLiteral("[Channel") + c + QLatin1Char(']');
        lines << QStringLiteral("Mode") + c + QLatin1Char('=') + ModeLetter(channel.Mode);
        lines << QStringLiteral("Duration") + c + QLatin1Char('=') + s.Duration.ToDeviceText();
        lines << QStringLiteral("Delay") + c + QLatin1Char('=') + s.Delay.ToDeviceText();
        lines << QStringLiteral("Interval") + c + QLatin1Char('=') + s.Interval.ToDeviceText();
        lines << QStringLiteral("Train") + c + QLatin1Char('=') + s.PulseCount.ToDeviceText();
        lines << QStringLiteral("Voltage") + c + QLatin1Char('=') + s.Voltage.ToDeviceText();
        lines << QStringLiteral("Shape") + c + QLatin1Char('=') + ShapeLetter(s.Shape);
        lines << QStringLiteral("DeltaV") + c + QLatin1Char('=') + s.DeltaV.ToDeviceText();
    }
    lines << QStringLiteral("StoreMode=") + QLatin1Char(paradigm.StoreMode);
    // A value never read from the device holds NUL characters, and a device
    // may send any byte: control characters are written as blanks, so that
    // every entry stays on its own line.
    QByteArray text;
    for (const QString& line : lines) {
        QByteArray bytes = line.toLatin1();
        for (char& c : bytes) {
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        }
        text += bytes + "\r\n";
    }
    return text;
}

TKeyTable::TKeyTable(const QStringList& lines, const QStringList& keys)
{
    for (const QString& key : keys) {
        FKeys << key.toCaseFolded();
        FLongestKey = qMax(FLongestKey, FKeys.constLast().size());
    }
    FValues.resize(FKeys.size());
    FFound.resize(FKeys.size());
    for (qsizetype i = 0; i < FKeys.size(); ++i)
        FIndex.insert(QStringView(FKeys[i]), i);
    qsizetype missing = FIndex.size();
    QVarLengthArray<QChar, 64> folded;
    for (const QString& line : lines) {
        if (missing == 0)
            break; // every key has had its first line
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || equals > FLongestKey)
            continue;
        folded.resize(equals);
        for (qsizetype i = 0; i < equals; ++i)
            folded[i] = line.at(i).toCaseFolded();
        const qsizetype index = FIndex.value(QStringView(folded.constData(), equals), -1);
        // The first line with a key wins; later ones are never looked at.
        if (index < 0 || FFound[index])
            continue;
        FFound[index] = true;
        FValues[index] = line.mid(equals + 1);
        --missing;
    }
}

QString TKeyTable::Value(const QString& key) const
{
    const qsizetype index = FIndex.value(QStringView(key.toCaseFolded()), -1);
    return index < 0 ? QString() : FValues[index];
}

QString LookUp(const QStringList& lines, const QString& key)
{
    return TKeyTable(lines, {key}).Value(key);
}

namespace {

// Every key the load reads.
QStringList LoadKeys()
{
    QStringList keys;
    for (int n = 1; n <= Channels; ++n) {
        for (const char* name : {"Mode", "Duration", "Delay", "Interval", "Train", "Voltage", "Shape", "DeltaV"})
            keys << QLatin1String(name) + QString::number(n);
        keys << QStringLiteral("Connections%1").arg(n);
    }
    keys << QStringLiteral("StoreMode");
    return keys;
}

} // namespace

QString LoadBatch(const QStringList& lines)
{
    const TKeyTable keys(lines, LoadKeys());
    auto LookUp = [&keys](const QString& key) { return keys.Value(key); };
    QString batch = QStringLiteral("B");
    for (int n = 1; n <= Channels; ++n) {
        const QString c = QString::number(n);
        auto value = [&](const char* name) { return LookUp(QLatin1String(name) + c); };
        batch += QStringLiteral("M") + value("Mode") + c;
        batch += QStringLiteral("D") + c + value("Duration");
        batch += QStringLiteral("L") + c + value("Delay");
        batch += QStringLiteral("I") + c + value("Interval");
        batch += QStringLiteral("N") + c + value("Train");
        batch += QStringLiteral("V") + c + value("Voltage");
        batch += QStringLiteral("S") + c + value("Shape");
        batch += QStringLiteral("J") + c + value("DeltaV");
    }
    for (int r = 1; r <= Channels; ++r) {
        const QString cells = LookUp(QStringLiteral("Connections%1").arg(r));
        for (int j = 1; j <= Columns && j <= cells.size(); ++j) {
            if (j != r && LinkCellFromText(cells.mid(j - 1, 1)) != 0)
                batch += QStringLiteral("X") + HexDigit(r) + HexDigit(j);
        }
    }
    batch += QStringLiteral("U") + LookUp(QStringLiteral("StoreMode"));
    return batch;
}

QString UnquoteFileName(const QString& name)
{
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        return name.mid(1, name.size() - 2);
    return name;
}

QStringList ReadLines(const QString& fileName)
{
    return SplitLines(FileReader::ReadRegularFile(fileName));
}

QStringList SplitLines(const QByteArray& bytes)
{
    return FileReader::SplitTextLines(QString::fromLatin1(bytes));
}

} // namespace ParadigmFile
