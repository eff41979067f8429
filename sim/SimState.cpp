#include "SimServer.h"
#include "ValueText.h"

#include <cmath>
#include <cstring>

namespace sim {

namespace {

std::string valueOf(double x)
{
    StoredValue v;
    storeDecimal(x < 0, std::llround(std::fabs(x) * 1e6), -6, v);
    return v.text;
}

}  // namespace

SimParadigm::SimParadigm() { std::memset(links, '-', sizeof links); }

const SimParadigm& SimState::cur() const { return paradigms[(current >= 1 && current <= 9 ? current : 1) - 1]; }
SimParadigm& SimState::cur() { return paradigms[(current >= 1 && current <= 9 ? current : 1) - 1]; }

SimParadigm clearedParadigm()
{
    SimParadigm p;
    for (SimChannel& c : p.channels) {
        c.mode = 'F';
        c.duration = "+1.000E-3";
        c.interval = "+10.00E-3";
        c.delay = "+0.000E+0";
        c.pulseCount = "+1.000E+0";
        c.voltage = "+5.000E+0";
        c.deltaV = "+0.000E+0";
        c.shape = 'B';
    }
    p.storeMode = 'R';
    return p;
}

SimState factoryState()
{
    SimState s;
    for (int p = 1; p <= 9; ++p) {
        SimParadigm& par = s.paradigms[p - 1];
        par = clearedParadigm();
        // Paradigm p runs at an interval of p * 10 ms, so a change of paradigm shows.
        for (SimChannel& c : par.channels)
            c.interval = valueOf(p * 0.010);
    }
    s.current = 1;
    s.outputsOn = true;
    // Paradigm p's short table holds p periods of a 5 V sine, so a change of paradigm shows there too.
    for (int p = 1; p <= 9; ++p) {
        std::vector<std::string>& table = s.paradigms[p - 1].shortTable;
        table.reserve(1000);
        for (int i = 0; i < 1000; ++i)
            table.push_back(valueOf(5.0 * std::sin(2 * M_PI * p * i / 1000.0)));
    }
    for (int i = 0; i < 100; ++i)
        s.longTable.push_back(valueOf(i * 0.05));
    return s;
}

}  // namespace sim
