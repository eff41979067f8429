#include "StateFile.h"

#include "ValueText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

const char* const header = "kelvor9-sim state 1";

std::string channelLine(const SimChannel& c)
{
    std::string s(1, c.mode);
    for (const std::string* v : {&c.duration, &c.interval, &c.delay, &c.pulseCount})
        s += ',' + *v;
    s += ',';
    s += c.shape;
    s += ',' + c.voltage + ',' + c.deltaV;
    return s;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, sep);)
        parts.push_back(part);
    return parts;
}

bool readChannel(const std::string& text, SimChannel& c)
{
    std::vector<std::string> f = split(text, ',');
    if (f.size() != 8 || f[0].size() != 1 || std::strchr("FNGCTWO", f[0][0]) == nullptr || f[5].size() != 1 ||
        std::strchr("MBR", f[5][0]) == nullptr)
        return false;
    for (int i : {1, 2, 3, 4, 6, 7})
        if (!hasValueShape(f[i]))
            return false;
    c = SimChannel {f[0][0], f[1], f[2], f[3], f[4], f[6], f[7], f[5][0]};
    return true;
}

}  // namespace

void saveStateFile(const std::string& path, const SimState& state)
{
    std::ostringstream out;
    out << header << '\n' << "current=" << state.current << '\n';
    for (int p = 1; p <= 9; ++p) {
        const SimParadigm& par = state.paradigms[p - 1];
        out << "paradigm=" << p << '\n' << "store=" << par.storeMode << '\n';
        for (int r = 1; r <= 9; ++r)
            out << "links" << r << '=' << std::string(par.links[r - 1], 12) << '\n';
        for (int n = 1; n <= 9; ++n)
            out << "channel" << n << '=' << channelLine(par.channels[n - 1]) << '\n';
    }
    std::string temp = path + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file << out.str();
        file.flush();
        if (!file)
            throw std::runtime_error("cannot write state file " + temp);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::string message = "cannot replace state file " + path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        throw std::runtime_error(message);
    }
}

bool loadStateFile(const std::string& path, SimState& state)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    SimState loaded = state;
    std::string line;
    int lineNo = 0;
    auto damaged = [&] {
        return std::runtime_error("state file " + path + " is damaged at line " + std::to_string(lineNo));
    };
    if (!std::getline(file, line) || line != header)
        throw std::runtime_error("state file " + path + " is not a simulator state file");
    ++lineNo;
    int paradigm = 0;
    while (std::getline(file, line)) {
        ++lineNo;
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            throw damaged();
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "current" || key == "paradigm") {
            if (value.size() != 1 || value[0] < '1' || value[0] > '9')
                throw damaged();
            (key == "current" ? loaded.current : paradigm) = value[0] - '0';
            continue;
        }
        if (paradigm == 0)
            throw damaged();
        SimParadigm& par = loaded.paradigms[paradigm - 1];
        int index = key.size() >= 2 ? key.back() - '0' : 0;
        std::string name = key.substr(0, key.size() - 1);
        if (key == "store" && value.size() == 1 && std::strchr("RMS", value[0]))
            par.storeMode = value[0];
        else if (name == "links" && index >= 1 && index <= 9 && value.size() == 12 &&
                 value.find_first_not_of("+*-") == std::string::npos)
            std::memcpy(par.links[index - 1], value.data(), 12);
        else if (name == "channel" && index >= 1 && index <= 9 && readChannel(value, par.channels[index - 1]))
            continue;
        else
            throw damaged();
    }
    state = loaded;
    return true;
}

}  // namespace sim
