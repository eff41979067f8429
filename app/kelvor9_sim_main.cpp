// kelvor9-sim: serves the simulated Kelvor 9 stimulator until SIGINT or SIGTERM.
#include "sim/CommandLine.h"
#include "sim/SimServer.h"

#include <csignal>
#include <exception>
#include <iostream>
#include <memory>
#include <pthread.h>

int main(int argc, char** argv)
{
    sim::CommandLine cl = sim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!cl.error.empty()) {
        std::cerr << "kelvor9-sim: " << cl.error << "\n" << sim::usageText();
        return 2;
    }
    if (cl.help) {
        std::cout << sim::usageText();
        return 0;
    }

    // Signals are taken by sigwait below, never by the serving thread, so the
    // link is always removed on the way out. A shell starts background jobs
    // with SIGINT ignored, and an ignored signal never reaches sigwait, so its
    // disposition is reset; SIGHUP stays ignored when nohup asked for that.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (std::signal(SIGHUP, SIG_DFL) == SIG_IGN)
        std::signal(SIGHUP, SIG_IGN);
    else
        sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    cl.options.log = &std::cout;
    std::unique_ptr<sim::SimServer> server;
    try {
        server = std::make_unique<sim::SimServer>(cl.options);
        server->start();
    } catch (const std::exception& e) {
        std::cerr << "kelvor9-sim: " << e.what() << std::endl;
        return 1;
    }
    std::cout << "kelvor9-sim: serving COM" << cl.options.port << " at " << server->slavePath() << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    server->stop();
    std::cout << "kelvor9-sim: stopped" << std::endl;
    return 0;
}
