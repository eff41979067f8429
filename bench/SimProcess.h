#pragma once
// The simulated stimulator as a child process of a benchmark, serving
// <folder>/COM<port> until the object ends.
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <stdexcept>

// One simulator process serving <folder>/COM<port>.
class TSimProcess {
public:
    TSimProcess(const QString& program, const QString& folder, int port, const QStringList& extra)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KELVOR9_PORT_DIR"), folder);
        FProcess.setProcessEnvironment(environment);
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.start(program, QStringList { QStringLiteral("--port"), QString::number(port) } + extra);
        if (!FProcess.waitForStarted(5000))
            throw std::runtime_error("cannot start " + program.toStdString());
        const QString entry = QStringLiteral("%1/COM%2").arg(folder).arg(port);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!QFileInfo::exists(entry)) {
            if (std::chrono::steady_clock::now() > deadline || FProcess.state() != QProcess::Running)
                throw std::runtime_error("the simulator did not publish " + entry.toStdString());
            FProcess.waitForFinished(20); // a short wait on the child, not a busy loop
        }
    }
    ~TSimProcess()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
    }

private:
    QProcess FProcess;
};
