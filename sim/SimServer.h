#pragma once
// The simulated Kelvor 9 stimulator: the device side of the serial protocol,
// served on a pseudo-terminal that is linked as <port folder>/COM<n>.

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// One channel as the device holds it. Values are the 9-character value texts
// the device echoes (rounded to four significant digits, engineering form).
struct SimChannel {
    char mode = 'F';  // F N G C T W O
    std::string duration, interval, delay, pulseCount, voltage, deltaV;
    char shape = 'B';  // M B R
};

struct SimParadigm {
    SimChannel channels[9];
    char links[9][12];  // rows = channels 1-9, columns 1-12; '+', '*' or '-'
    char storeMode = 'R';
    std::vector<std::string> shortTable;  // channel 9's short table: 1000 value texts
    SimParadigm();      // all links '-'
};

struct SimState {
    int current = 1;                      // current paradigm 1..9
    SimParadigm paradigms[9];             // index current-1 is the current one
    bool outputsOn = true;                // cleared by "O", set by a batch of mode commands
    std::vector<std::string> longTable;   // channel 9's long table (paradigm 9): its point count of value texts
    const SimParadigm& cur() const;
    SimParadigm& cur();
};

// The cleared paradigm that "E" leaves behind (see sim/README.md); "E" keeps the short table.
SimParadigm clearedParadigm();
// The state of a device fresh from the factory: nine slightly different paradigms.
SimState factoryState();

struct SimOptions {
    int port = 9;         // served as <port folder>/COM<port>
    std::string portDir;  // empty: KELVOR9_PORT_DIR, else $XDG_RUNTIME_DIR/kelvor9, else /tmp/kelvor9-<uid>
    bool silent = false;  // answer nothing at all, not even "="
    int delayMs = 0;      // each reply frame this late
    bool garbage = false;    // stray bytes before each reply frame
    bool badLength = false;  // a non-numeric length field in each reply frame
    bool truncate = false;   // each reply frame cut short
    std::vector<std::pair<std::string, std::string>> refuse;  // prefix, refusal text (empty = default)
    int hangupAfter = -1;      // close the line after N commands (once); serve a fresh line later
    int reserveDelayMs = 1000; // pause between the hang-up and the fresh line
    int baud = 0;              // 0 = unthrottled; else pace both directions at 10 bits per byte
    int frameIdleMs = 1000;    // a frame whose next byte does not come within this is dropped (> 0)
    std::string stateFile;     // keeps the stored paradigms between runs
    std::ostream* log = nullptr;  // one line per command and reply; nullptr = no log
};

class SimServer {
public:
    explicit SimServer(SimOptions options);
    ~SimServer();  // stop()
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Creates the port folder when missing, claims COM<n> (std::runtime_error when a
    // live simulator serves it, or when COM<n> is an entry this simulator did not
    // make, which is then left alone), opens a raw pseudo-terminal, publishes the
    // link and starts the serving thread.
    void start();
    // Stops the thread, closes the line and removes the link. Safe to call twice.
    void stop();

    std::string linkPath() const;   // <port folder>/COM<n>
    std::string portDir() const;
    std::string slavePath() const;  // the pseudo-terminal the link points at now

    // What the device received, for tests that judge the wire.
    std::vector<std::string> frames() const;  // text after ">NNNN", exactly as received
    int attentionCount() const;               // "=" bytes received outside frames
    std::vector<std::string> droppedFrames() const;  // frames begun and left idle, from their ">"
    void clearLog();
    bool waitForFrames(size_t n, int timeoutMs) const;
    // Waits for n frames that begin with prefix ("T" for the triggers).
    bool waitForFramesStarting(const std::string& prefix, size_t n, int timeoutMs) const;
    bool waitForDroppedFrames(size_t n, int timeoutMs) const;
    int linesServed() const;                  // 1 + lines served again after hang-ups
    bool waitForLinesServed(int n, int timeoutMs) const;

    SimState state() const;
    void setState(const SimState& state);

    // Fault modes, changeable while serving.
    void setSilent(bool on);
    void setDelayMs(int ms);
    void setGarbage(bool on);
    void setBadLength(bool on);
    void setTruncate(bool on);
    // Garbage, a bad length and a cut frame touch only the replies to
    // commands beginning with one of these prefixes (every reply when empty),
    // so that a test can break one request of an operation and not the
    // ones before it.
    void setFrameFaultPrefixes(std::vector<std::string> prefixes);
    // Throws std::invalid_argument for a prefix that would refuse mode commands.
    void setRefuse(std::vector<std::pair<std::string, std::string>> refuse);
    // Commands beginning with a prefix are answered with exactly the given
    // payload (tests of how the console reads odd replies).
    void setCannedReplies(std::vector<std::pair<std::string, std::string>> replies);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace sim
