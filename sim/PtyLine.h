#pragma once
// One pseudo-terminal as the device's end of the serial line. The slave is put
// in raw mode before anyone can find it, and the simulator keeps a slave
// descriptor of its own open, so the master neither reports a hang-up nor
// fails reads with EIO while no console has the line open.

#include <string>

namespace sim {

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    void open();   // throws std::runtime_error
    void close();  // the console's side then sees the hang-up
    bool isOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // Bytes written to the line that the console has not read yet.
    int unreadByConsole() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace sim
