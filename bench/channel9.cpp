// channel9 [path of kelvor9-sim]
//
// Channel 9's long table, loaded from CSV files into the simulated
// stimulator the way the console does it (the same reader, the same
// transfer, a progress window moved per sector, Escape asked for between
// sectors), and the waveform view drawing the points. Reports:
//  - the parse of a 100000-point file (read, check every line, make the
//    points) beside the 100 ms aim and beside reading its bytes;
//  - the peak memory a load's reading takes for a 200 MB file beside a 1 MB
//    one (only the lines the table takes are read);
//  - its import against the unthrottled simulator: the console's own time
//    per sector (everything outside the dialogues) beside the dialogue's and
//    the bare line's time for the same frames (the simulator and the
//    pseudo-terminal without any link);
//  - a 10000-point import with the simulator paced to 38400 baud, beside the
//    wire time of every byte sent and received at 3840 bytes a second;
//  - the waveform view's time to draw 100000 points beside 1000 points.
#include "SimProcess.h"
#include "console/ProgressWindow.h"
#include "console/WaveformView.h"
#include "link/CommUnit.h"
#include "model/Channel9Csv.h"
#include "model/Channel9Table.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QPixmap>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using bench::Clock;
using bench::Microseconds;

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

QString WriteNumbersFile(const QString& fileName, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray::number(9.5 * std::sin(i / 300.0) + 0.4 * std::sin(i * 1.7), 'f', 4) + "\r\n";
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + fileName.toStdString());
    return fileName;
}

// What the console does with a file before the first command goes out.
QVector<TVexoValue> PointsOf(const QString& fileName, int limit)
{
    return Channel9::PointsOf(Channel9Csv::ReadFile(fileName, limit, QLocale()).Numbers);
}

// The console's link, with the time spent inside its dialogues and the
// bytes they moved counted: "=", ">", four length digits, the text and "R"
// out; the "=" answer, "<", four length digits and the payload back.
class TTimedLink : public TDeviceLink {
public:
    explicit TTimedLink(TfrmComm& link) : FLink(link) {}
    QString Dialogue(const QString& command) override
    {
        const auto start = Clock::now();
        const QString reply = FLink.Dialogue(command);
        DialogueUs += Microseconds(Clock::now() - start);
        BytesSent += 1 + 5 + command.size() + 1;
        BytesReceived += 1 + 5 + reply.size();
        Frames.push_back(">" + QStringLiteral("%1").arg(command.size() + 1, 4, 10, QLatin1Char('0')).toStdString()
                         + command.toStdString() + "R");
        return reply;
    }
    void SendCommand(const QString& text) override { FLink.SendCommand(text); }

    double DialogueUs = 0;
    qint64 BytesSent = 0, BytesReceived = 0;
    std::vector<std::string> Frames;

private:
    TfrmComm& FLink;
};

struct TImport {
    double TotalUs = 0, DialogueUs = 0;
    int Sectors = 0;
    qint64 Bytes = 0;
    std::vector<std::string> Frames;
};

// Loads the texts into the long table as the console does: one operation,
// the progress window moved per sector, pending events served between sectors.
TImport Import(TfrmComm& link, const QVector<TVexoValue>& points)
{
    if (!link.Dialogue(QStringLiteral("Y9")).startsWith(QLatin1String("OK.")))
        throw std::runtime_error("paradigm 9 was not selected");
    TTimedLink timed(link);
    TfrmProgressBar progress;
    Channel9::TTransferHooks hooks;
    hooks.Started = [&](int sectors) { progress.Start(sectors); };
    hooks.Position = [&](int sector) { progress.SetPosition(sector); };
    hooks.CancelRequested = [] {
        QCoreApplication::processEvents();
        return false;
    };
    TOperation operation(&link);
    const auto start = Clock::now();
    const Channel9::TTransferOutcome outcome = Channel9::LoadTable(timed, Channel9::TTable::Long, points, hooks);
    TImport result;
    result.TotalUs = Microseconds(Clock::now() - start);
    if (!outcome.Complete)
        throw std::runtime_error("the import did not complete");
    result.DialogueUs = timed.DialogueUs;
    result.Sectors = Channel9::SectorCount(int(points.size()));
    result.Bytes = timed.BytesSent + timed.BytesReceived;
    result.Frames = std::move(timed.Frames);
    return result;
}

TfrmComm& Connect(TfrmComm& link, const QString& folder, int port)
{
    link.Settings().PortFolder = folder;
    link.Settings().Arguments = QStringList({QStringLiteral("channel9"), QStringLiteral("COM%1").arg(port)});
    link.Settings().OpenPauseMs = 0;
    link.Connect();
    if (link.Port() != port)
        throw std::runtime_error("the link did not open the simulator's port");
    return link;
}

double BareFramesUs(const QString& folder, int port, const std::vector<std::string>& frames)
{
    const int fd = bench::OpenBareLine(folder, port);
    double total = 0;
    for (const std::string& frame : frames)
        total += bench::BareRoundTripUs(fd, frame);
    ::close(fd);
    return total;
}

void ReportParse(const QString& fileName)
{
    std::vector<double> parse, bytesOnly;
    for (int round = 0; round < 7; ++round) {
        auto start = Clock::now();
        QFile file(fileName);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        bytesOnly.push_back(Microseconds(Clock::now() - start));
        start = Clock::now();
        const QVector<TVexoValue> points = PointsOf(fileName, Channel9::LongTableLimit);
        parse.push_back(Microseconds(Clock::now() - start));
        if (points.size() != 100000 || bytes.isEmpty())
            throw std::runtime_error("the file did not read back whole");
    }
    const double parseMs = Median(parse) / 1000, readMs = Median(bytesOnly) / 1000;
    std::printf("Parse of a 100000-point file, median of 7:\n");
    std::printf("  read, check, make points    %8.1f ms   (aim 100 ms: %.2f of it)\n", parseMs, parseMs / 100);
    std::printf("  reading the bytes alone      %8.2f ms   (parse / read %.0f)\n", readMs, parseMs / readMs);
}

// A file of valid lines, at least `megabytes` MB, written in 1 MB blocks.
QString WriteLargeFile(const QString& fileName, int megabytes)
{
    QByteArray block;
    for (int i = 0; block.size() < 1024 * 1024; ++i)
        block += QByteArray::number(9.5 * std::sin(i / 300.0), 'f', 4) + "\r\n";
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + fileName.toStdString());
    for (int i = 0; i < megabytes; ++i) {
        if (file.write(block) != block.size())
            throw std::runtime_error("cannot write " + fileName.toStdString());
    }
    return fileName;
}

// The process's resident memory in kB, from /proc/self/statm.
long ResidentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// How far the process's resident memory rose above its level before the
// load's reading, at its highest, in kB. The kernel's own peak is not kept
// up to date for memory handed back meanwhile, so a thread samples the
// resident size every millisecond while the file is read.
long PeakGrowthKb(const QString& fileName)
{
    ::malloc_trim(0); // memory freed earlier goes back to the system first
    const long before = ResidentKb();
    std::atomic<bool> done = false;
    std::atomic<long> peak = before;
    std::thread sampler([&] {
        while (!done) {
            peak = std::max(peak.load(), ResidentKb());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QVector<TVexoValue> points;
    {
        const auto stop = qScopeGuard([&] {
            done = true;
            sampler.join();
        });
        points = PointsOf(fileName, Channel9::LongTableLimit);
        peak = std::max(peak.load(), ResidentKb());
    }
    if (points.size() != Channel9::LongTableLimit)
        throw std::runtime_error("the file did not give a whole table");
    return peak - before;
}

void ReportLoadMemory(const QString& folder)
{
    const QString small = WriteLargeFile(folder + QStringLiteral("/1mb.csv"), 1);
    const QString large = WriteLargeFile(folder + QStringLiteral("/200mb.csv"), 200);
    PointsOf(small, Channel9::LongTableLimit); // first use: code and caches
    const long smallKb = PeakGrowthKb(small);
    const long largeKb = PeakGrowthKb(large);
    QFile::remove(large);
    std::printf("Peak memory of a load's reading (100000 points taken), growth above the level before:\n");
    std::printf("  1 MB file     %8.2f MB\n", smallKb / 1024.0);
    std::printf("  200 MB file   %8.2f MB   (200 MB / 1 MB file: %.2f)\n", largeKb / 1024.0,
                smallKb > 0 ? double(largeKb) / smallKb : 0.0);
}

void ReportUnthrottledImport(const QString& simulator, const QString& folder, const QVector<TVexoValue>& points)
{
    bench::TSimProcess sim(simulator, folder, 9, {});
    std::vector<double> own, inDialogue, bare;
    int sectors = 0;
    for (int round = 0; round < 2; ++round) {
        TImport import;
        {
            TfrmComm link;
            import = Import(Connect(link, folder, 9), points);
        }
        sectors = import.Sectors;
        own.push_back((import.TotalUs - import.DialogueUs) / sectors);
        inDialogue.push_back(import.DialogueUs / sectors);
        bare.push_back(BareFramesUs(folder, 9, import.Frames) / sectors);
    }
    const double ownUs = *std::min_element(own.begin(), own.end());
    const double dialogueUs = *std::min_element(inDialogue.begin(), inDialogue.end());
    const double bareUs = *std::min_element(bare.begin(), bare.end());
    std::printf("Import of 100000 points (%d sectors) into the unthrottled simulator, best of 2, per sector:\n",
                sectors);
    std::printf("  console's own time (outside dialogues) %8.1f us\n", ownUs);
    std::printf("  dialogue through the link              %8.1f us\n", dialogueUs);
    std::printf("  same frame on a bare line (simulator)  %8.1f us\n", bareUs);
    std::printf("  console's own / bare line              %8.2f\n", ownUs / bareUs);
    std::printf("  dialogue / bare line                   %8.2f\n", dialogueUs / bareUs);
    std::printf("  whole import                           %8.2f s\n", (ownUs + dialogueUs) * sectors / 1e6);
}

void ReportPacedImport(const QString& simulator, const QString& folder, const QVector<TVexoValue>& points)
{
    bench::TSimProcess sim(simulator, folder, 8, {QStringLiteral("--baud"), QStringLiteral("38400")});
    TfrmComm link;
    const TImport import = Import(Connect(link, folder, 8), points);
    const double wireS = double(import.Bytes) / 3840.0;
    std::printf("Import of 10000 points (%d sectors) into the simulator paced to 38400 baud:\n", import.Sectors);
    std::printf("  total                        %8.3f s\n", import.TotalUs / 1e6);
    std::printf("  wire time of %lld bytes     %8.3f s   (3840 bytes a second)\n", static_cast<long long>(import.Bytes),
                wireS);
    std::printf("  total / wire time            %8.3f\n", import.TotalUs / 1e6 / wireS);
}

double DrawUs(TWaveformView& view, int rounds)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        const QPixmap picture = view.grab();
        samples.push_back(Microseconds(Clock::now() - start));
        if (picture.isNull())
            throw std::runtime_error("the view drew nothing");
    }
    return Median(samples);
}

void ReportDrawing()
{
    TWaveformView view;
    view.resize(760, 320);
    QVector<double> points(100000);
    for (int i = 0; i < points.size(); ++i)
        points[i] = 9.5 * std::sin(i / 300.0) + 0.4 * std::sin(i * 1.7);
    view.SetPoints(points);
    DrawUs(view, 5);
    const double manyUs = DrawUs(view, 41);
    view.SetPoints(points.mid(0, 1000));
    DrawUs(view, 5);
    const double fewUs = DrawUs(view, 41);
    std::printf("Waveform view, 760 x 320, one whole drawing, median of 41:\n");
    std::printf("  100000 points %8.2f ms\n", manyUs / 1000);
    std::printf("    1000 points %8.2f ms   (100000 / 1000 points: %.2f)\n", fewUs / 1000, manyUs / fewUs);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                       : QCoreApplication::applicationDirPath() + QStringLiteral("/kelvor9-sim");
    QTemporaryDir folder;
    try {
        const QString big = WriteNumbersFile(folder.filePath(QStringLiteral("100000.csv")), 100000);
        const QString small = WriteNumbersFile(folder.filePath(QStringLiteral("10000.csv")), 10000);
        ReportParse(big);
        ReportLoadMemory(folder.path());
        ReportUnthrottledImport(simulator, folder.path(), PointsOf(big, Channel9::LongTableLimit));
        ReportPacedImport(simulator, folder.path(), PointsOf(small, Channel9::LongTableLimit));
        ReportDrawing();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "channel9: %s\n", error.what());
        return 2;
    }
}
