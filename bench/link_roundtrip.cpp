// link_roundtrip [path of kelvor9-sim]
//
// Starts the simulated stimulator on a private port folder and reports:
//  - the median round trip of a "GT" dialogue through TfrmComm,
//  - the median round trip of the same bytes through a bare write/poll/read
//    loop on the same line, with no link,
//  - the wire time of those bytes at 38400 baud (10 bits per byte),
//  - the processor time the whole program spends while one dialogue waits its
//    full 15 seconds for a silent device, as a share of one core.
#include "SimProcess.h"
#include "link/CommUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::BareRoundTripUs;
using bench::Clock;
using bench::Microseconds;
using bench::TSimProcess;

constexpr int Rounds = 1000; // in all, for each side
constexpr int Blocks = 10;
constexpr int WarmUp = 10;  // per block

double MedianUs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double ProcessorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                       : QCoreApplication::applicationDirPath() + QStringLiteral("/kelvor9-sim");
    QTemporaryDir folder;
    try {
        TSimProcess sim(simulator, folder.path(), 9, {});

        // The link and the bare loop take turns on the line, in blocks, so that
        // a change in the machine's load during the run falls on both alike.
        TfrmComm link;
        link.Settings().PortFolder = folder.path();
        link.Settings().Arguments = QStringList({ QStringLiteral("link_roundtrip"), QStringLiteral("COM9") });
        link.Settings().OpenPauseMs = 0;
        QString reply;
        std::vector<double> viaLink;
        std::vector<double> bare;
        for (int block = 0; block < Blocks; ++block) {
            link.Connect();
            for (int i = 0; i < WarmUp + Rounds / Blocks; ++i) {
                const auto start = Clock::now();
                reply = link.Dialogue(QStringLiteral("GT"));
                if (i >= WarmUp)
                    viaLink.push_back(Microseconds(Clock::now() - start));
            }
            if (!reply.startsWith(QStringLiteral("OK.")))
                throw std::runtime_error("unexpected reply " + reply.toStdString());
            link.Comm32().Close();

            // The same bytes with no link.
            const int fd = bench::OpenBareLine(folder.path(), 9);
            for (int i = 0; i < WarmUp + Rounds / Blocks; ++i) {
                const double us = BareRoundTripUs(fd, ">0003GTR");
                if (i >= WarmUp)
                    bare.push_back(us);
            }
            ::close(fd);
        }

        const int bytes = 1 + 8 + 1 + 5 + int(reply.size()); // "=" ">0003GTR" "=" "<nnnn"+payload
        const double wireUs = bytes * 10.0 / 38400.0 * 1e6;
        const double linkUs = MedianUs(viaLink);
        const double bareUs = MedianUs(bare);
        std::printf("GT dialogue round trip, median of %d, in %d alternating blocks:\n", Rounds, Blocks);
        std::printf("  through the link      %9.1f us\n", linkUs);
        std::printf("  bare write/poll/read  %9.1f us\n", bareUs);
        std::printf("  wire time at 38400    %9.1f us (%d bytes, 10 bits each)\n", wireUs, bytes);
        std::printf("  added by the link    %9.1f us\n", linkUs - bareUs);
        std::printf("  link / bare          %9.2f\n", linkUs / bareUs);
        std::printf("  link / wire          %9.3f\n", linkUs / wireUs);
        std::fflush(stdout);

        // A dialogue waiting its full time for a device that never answers.
        TSimProcess silent(simulator, folder.path(), 8, { QStringLiteral("--silent") });
        TfrmComm waiting;
        waiting.Settings().PortFolder = folder.path();
        waiting.Settings().Arguments = QStringList({ QStringLiteral("x"), QStringLiteral("COM8") });
        waiting.Settings().OpenPauseMs = 0;
        waiting.Connect();
        const double cpuBefore = ProcessorSeconds();
        const auto wallStart = Clock::now();
        const QString none = waiting.Dialogue(QStringLiteral("GT"));
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        const double cpu = ProcessorSeconds() - cpuBefore;
        std::printf("Silent device: the dialogue waited %.2f s (reply %s), processor time %.4f s = %.3f %% of one core\n",
                    wall, none.isEmpty() ? "empty" : "NOT empty", cpu, 100.0 * cpu / wall);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "link_roundtrip: %s\n", error.what());
        return 2;
    }
}
