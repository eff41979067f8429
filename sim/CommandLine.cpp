#include "CommandLine.h"

#include "Device.h"

#include <charconv>

namespace sim {

namespace {

bool toInt(const std::string& text, int& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string usageText()
{
    return "Usage: kelvor9-sim [options]\n"
           "Serves a simulated Kelvor 9 stimulator on a pseudo-terminal linked as\n"
           "<port folder>/COM<n>; the port folder is $KELVOR9_PORT_DIR, else\n"
           "$XDG_RUNTIME_DIR/kelvor9, else /tmp/kelvor9-<uid>.\n"
           "\n"
           "  --port N             serve COM<N> (default 9)\n"
           "  --state FILE         keep the stored paradigms in FILE between runs\n"
           "  --silent             answer nothing at all, not even \"=\"\n"
           "  --delay MS           send each reply frame MS milliseconds late\n"
           "  --garbage            put stray bytes before each reply frame\n"
           "  --bad-length         give each reply frame a non-numeric length field\n"
           "  --truncate           cut each reply frame short\n"
           "  --refuse PREFIX[=TEXT]  refuse commands beginning with PREFIX (repeatable;\n"
           "                       not \"M\": mode commands are never refused)\n"
           "  --hangup-after N     close the line after N commands, serve a fresh one 1 s later\n"
           "  --baud B             pace both directions to a line of B baud, 10 bits a byte:\n"
           "                       replies go out and commands are taken in no faster\n"
           "  --help               show this text\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine cl;
    for (size_t i = 0; i < args.size() && cl.error.empty(); ++i) {
        const std::string& a = args[i];
        auto next = [&](std::string& value) {
            if (i + 1 >= args.size()) {
                cl.error = a + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto number = [&](int& target, int minimum) {
            std::string value;
            if (next(value) && (!toInt(value, target) || target < minimum))
                cl.error = a + " needs a whole number of at least " + std::to_string(minimum) + ", not \"" + value + "\"";
        };
        if (a == "--help" || a == "-h")
            cl.help = true;
        else if (a == "--port")
            number(cl.options.port, 1);
        else if (a == "--silent")
            cl.options.silent = true;
        else if (a == "--delay")
            number(cl.options.delayMs, 0);
        else if (a == "--garbage")
            cl.options.garbage = true;
        else if (a == "--bad-length")
            cl.options.badLength = true;
        else if (a == "--truncate")
            cl.options.truncate = true;
        else if (a == "--hangup-after")
            number(cl.options.hangupAfter, 1);
        else if (a == "--baud")
            number(cl.options.baud, 1);
        else if (a == "--state")
            next(cl.options.stateFile);
        else if (a == "--refuse") {
            std::string value;
            if (next(value)) {
                size_t eq = value.find('=');
                std::string prefix = value.substr(0, eq);
                if (prefix.empty())
                    cl.error = "--refuse needs a command prefix";
                else if (std::string fault = refusalPrefixFault(prefix); !fault.empty())
                    cl.error = "--refuse " + value + ": " + fault;
                cl.options.refuse.emplace_back(prefix, eq == std::string::npos ? "" : value.substr(eq + 1));
            }
        } else
            cl.error = "unknown option \"" + a + "\"";
    }
    return cl;
}

}  // namespace sim
