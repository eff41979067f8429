// The script file: line ends, the written bytes, a non-ASCII paradigm path
// through a written and re-read file, and files that are not regular files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "script/InstructionText.h"
#include "script/ScriptFile.h"
#include "script/ScriptReader.h"

namespace {

QString ReadMessage(const QString& fileName)
{
    try {
        ScriptFile::Read(fileName);
    } catch (const EFileError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

void WriteBytes(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(ScriptFile, ReadsEveryLineEndAndWritesCrLfInSortedOrder)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("a.ks9"));
    WriteBytes(name, "00:00:10:Trigger Channel 2\r00:00:05:Trigger Channel 1\n\r\n00:00:07:Change Paradigm To 3\r\n");
    const TScriptLines lines = ScriptFile::Read(name);
    EXPECT_EQ(lines.Lines(), QStringList({QString(), QStringLiteral("00:00:05:Trigger Channel 1"),
                                          QStringLiteral("00:00:07:Change Paradigm To 3"),
                                          QStringLiteral("00:00:10:Trigger Channel 2")}));

    TScriptLines written;
    written.Insert(QStringLiteral("00:00:10:Trigger Channel 2"));
    written.Insert(QStringLiteral("00:00:05:Trigger Channel 1"));
    EXPECT_EQ(ScriptFile::Bytes(written), QByteArray("00:00:05:Trigger Channel 1\r\n00:00:10:Trigger Channel 2\r\n"));

    // A line break inside a line would come back as two lines.
    written.Insert(QStringLiteral("00:00:20:Load Paradigm /tmp/a\nb.kr9"));
    EXPECT_THROW(ScriptFile::Bytes(written), EScriptError);
}

TEST(ScriptFile, NonAsciiParadigmPathReachesTheFileSystemUnchanged)
{
    QTemporaryDir dir;
    // The name as bytes on disk: UTF-8, as the locale writes it.
    const QByteArray nameBytes = QFile::encodeName(dir.path()) + "/Reizfolge \xc3\xa4\xc3\xb8 \xe6\xb8\xac\xe5\xae\x9a.kr9";
    const int fd = ::open(nameBytes.constData(), O_CREAT | O_WRONLY | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);

    TScriptLines lines;
    lines.Insert(InstructionText::Line(QStringLiteral("00:00:05"),
                                       InstructionText::LoadParadigm(QFile::decodeName(nameBytes))));
    const QString script = dir.filePath(QStringLiteral("run.ks9"));
    const QByteArray bytes = ScriptFile::Bytes(lines);
    EXPECT_TRUE(bytes.contains(nameBytes));
    WriteBytes(script, bytes);

    const TCommandsArray commands = ScriptReader::ParseScript(ScriptFile::Read(script).Lines());
    ASSERT_EQ(commands.size(), 1u);
    ASSERT_EQ(commands[0].Kind, KindLoadFile);
    const QString path = commands[0].Params.at(0).toString();
    EXPECT_EQ(QFile::encodeName(path), nameBytes);
    EXPECT_TRUE(QFile::exists(path));
}

TEST(ScriptFile, RefusesWhatIsNotARegularFileWithoutWaiting)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.ks9"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // No writer ever opens the pipe: a blocking open would never return.
    EXPECT_EQ(ReadMessage(pipe), QStringLiteral("Cannot open file \"%1\". It is not a regular file.").arg(pipe));
    EXPECT_EQ(ReadMessage(dir.path()), QStringLiteral("Cannot open file \"%1\". It is a folder.").arg(dir.path()));
    const QString missing = dir.filePath(QStringLiteral("missing.ks9"));
    EXPECT_EQ(ReadMessage(missing), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
}
