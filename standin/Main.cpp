// yorsabat-standin: SQL Server's wire protocol on loopback over SQLite files.
#include "DemoSeed.h"
#include "Server.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

using namespace yorsabat::standin;

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void onSignal(int)
{
    g_stopRequested = true;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    ServerOptions options;
    bool seedDemo = false, help = false;
    long rows = 0;
    std::string error;
    if (!parseOptions(args, options, seedDemo, rows, help, error)) {
        std::cerr << "yorsabat-standin: " << error << "\n" << usageText();
        return 2;
    }
    if (help) {
        std::cout << usageText();
        return 0;
    }
    if (seedDemo) {
        std::string problem = writeDemoInstance(options.dataDir, rows);
        if (!problem.empty()) {
            std::cerr << "yorsabat-standin: " << problem << "\n";
            return 1;
        }
        std::cout << "demo instance written to " << options.dataDir << std::endl;
        return 0;
    }
    if (!net::startup()) {
        std::cerr << "yorsabat-standin: cannot initialise sockets\n";
        return 1;
    }
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    Server server(options);
    if (!server.start(error)) {
        std::cerr << "yorsabat-standin: " << error << "\n";
        return 1;
    }
    std::thread watcher([&server] {
        while (!g_stopRequested)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.stop();
    });
    if (options.browserPort >= 0)
        std::cout << "browser answering on " << server.listenAddress() << ":" << server.browserPort() << "\n";
    std::cout << "listening on " << server.listenAddress() << ":" << server.port() << std::endl;
    server.run();
    g_stopRequested = true;
    watcher.join();
    return 0;
}
