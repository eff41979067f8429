#pragma once
// The switches of the kelvor9-sim executable.

#include "SimServer.h"

#include <string>
#include <vector>

namespace sim {

struct CommandLine {
    SimOptions options;
    bool help = false;
    std::string error;  // not empty: the arguments were not understood
};

// args without the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

std::string usageText();

}  // namespace sim
