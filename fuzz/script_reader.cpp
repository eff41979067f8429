// Fuzzes the script reader as the scheduler meets a file: the bytes are split
// into lines at CR, LF or CR LF (any mixture), sorted as the script list keeps
// them, and parsed. EKelvorError (the reader's messages, the integer
// conversion message) is an expected outcome; a crash, a hang or a sanitizer
// report is a finding. A script that reads back must keep its promises: every
// jump's destination is an instruction of the script.
#include "FuzzCheck.h"
#include "link/KelvorErrors.h"
#include "script/ScriptFile.h"
#include "script/ScriptLines.h"
#include "script/ScriptReader.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TScriptLines lines(ScriptFile::SplitLines(bytes));
    for (const QString& line : lines.Lines()) {
        try {
            ScriptReader::ParseScriptLine(line);
        } catch (const EKelvorError&) {
        }
    }
    try {
        const TCommandsArray commands = ScriptReader::ParseScript(lines.Lines());
        FUZZ_CHECK(commands.size() == size_t(lines.Count()), "one instruction per line");
        for (const TCommand& command : commands) {
            if (command.Kind == KindJump)
                FUZZ_CHECK(command.JumpTo >= 0 && command.JumpTo < int(commands.size()),
                           "a jump's destination outside the script");
        }
    } catch (const EKelvorError&) {
    }
    return 0;
}
