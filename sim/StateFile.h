#pragma once
// Keeps the device's stored paradigms and the current paradigm number in a
// small text file between runs. The waveform tables are not kept.

#include "SimServer.h"

#include <string>

namespace sim {

// Writes the file atomically (temporary file + rename). Throws std::runtime_error.
void saveStateFile(const std::string& path, const SimState& state);

// Reads the file into state; false when the file does not exist. Throws
// std::runtime_error naming the line when the file is damaged.
bool loadStateFile(const std::string& path, SimState& state);

}  // namespace sim
