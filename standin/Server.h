#pragma once

#include "Net.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace yorsabat::standin {

struct ServerOptions
{
    std::string dataDir;
    std::string listenAddress = "127.0.0.1";
    std::uint16_t port = 0;
    std::map<std::string, std::string> logins; // user (lower case) -> password
    std::string instance = "VEZ";
    int browserPort = -1; // -1: no Browser answer
    // Faults on demand.
    int closeAfterBatches = 0; // 0: never
    int delayMs = 0;
    bool refuseLogins = false;
};

// Parses the command line; on error returns false with a message. seedDemo/rows for --seed-demo.
bool parseOptions(const std::vector<std::string> &args, ServerOptions &options, bool &seedDemo, long &rows,
                  bool &help, std::string &error);
std::string usageText();

// A database of the instance: the system ones are kept in memory, the others are files.
struct DatabaseEntry
{
    std::string name;
    std::string path; // empty for a system database
    int id = 0;
};

// What every connection shares: options, faults, the list of databases, who uses which.
class Server
{
public:
    explicit Server(ServerOptions options);
    ~Server();

    // Binds the listener (and the Browser port); false with error text.
    bool start(std::string &error);
    std::string listenAddress() const { return m_options.listenAddress; }
    std::uint16_t port() const { return m_port; }
    std::uint16_t browserPort() const { return m_browserPort; }
    // Accepts connections until stop() (safe from a signal-watching thread).
    void run();
    void stop();

    const ServerOptions &options() const { return m_options; }
    bool checkLogin(const std::string &user, const std::string &password) const;

    std::vector<DatabaseEntry> databases() const;
    // Finds a database by name, ignoring ASCII case.
    bool findDatabase(const std::string &name, DatabaseEntry &out) const;
    // Creates or removes a database file; false with an SQL Server error number and text.
    bool createDatabase(const std::string &name, int &number, std::string &message);
    bool dropDatabase(const std::string &name, int sessionId, int &number, std::string &message);

    // Who is in which database (for DROP DATABASE).
    void setSessionDatabase(int sessionId, const std::string &name);
    void removeSession(int sessionId);

    // Faults, changeable at run time by the control statement.
    std::atomic<int> closeAfterBatches{0};
    std::atomic<int> delayMs{0};
    std::atomic<bool> refuseLogins{false};

    int nextSessionId() { return m_nextSession++; }
    static const char *versionText();

private:
    void browserLoop();
    void reapFinished(bool all);

    ServerOptions m_options;
    net::Socket m_listener;
    net::Socket m_udp;
    std::uint16_t m_port = 0;
    std::uint16_t m_browserPort = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_nextSession{51};
    std::thread m_browserThread;

    struct Client
    {
        std::thread thread;
        std::shared_ptr<net::Socket> socket;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex m_clientsMutex;
    std::vector<Client> m_clients;

    mutable std::mutex m_dbMutex; // guards the files and the usage map
    std::map<int, std::string> m_sessionDatabase;
};

} // namespace yorsabat::standin
