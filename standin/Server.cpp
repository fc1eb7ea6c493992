#include "Server.h"

#include "Session.h"
#include "Text.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace yorsabat::standin {

namespace {

const char *const kSystemDatabases[] = {"master", "tempdb", "model", "msdb"};
const char *const kSuffix = ".sqlite";

// Paths as UTF-8 text both ways (database names carry Turkish letters).
std::string utf8Of(const fs::path &p)
{
    auto s = p.u8string();
    return std::string(s.begin(), s.end());
}

fs::path pathOf(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool isSystemName(const std::string &name)
{
    for (const char *s : kSystemDatabases)
        if (equalsNoCase(name, s))
            return true;
    return false;
}

// Names that would leave the data folder or are not valid file names anywhere.
bool validDatabaseName(const std::string &name)
{
    if (name.empty() || name.size() > 128 || name == "." || name == ".." || name.front() == ' ' || name.back() == ' ' ||
        name.back() == '.')
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

bool parsePort(const std::string &s, int &out)
{
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoi(s);
    return out <= 65535;
}

bool parseCount(const std::string &s, long &out)
{
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stol(s);
    return true;
}

} // namespace

std::string usageText()
{
    return "usage: yorsabat-standin --data DIR [--listen ADDR] [--port N] [--login USER:PASSWORD]...\n"
           "                        [--instance NAME] [--browser | --browser-port N]\n"
           "                        [--fault-close-after N] [--fault-delay MS] [--fault-refuse-logins]\n"
           "       yorsabat-standin --data DIR --seed-demo [--rows N]\n";
}

bool parseOptions(const std::vector<std::string> &args, ServerOptions &o, bool &seedDemo, long &rows, bool &help,
                  std::string &error)
{
    seedDemo = false;
    rows = 0;
    help = false;
    bool rowsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        long n = 0;
        int port = 0;
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--data") {
            if (!value(o.dataDir))
                return false;
        } else if (a == "--listen") {
            if (!value(o.listenAddress))
                return false;
        } else if (a == "--port") {
            if (!value(v))
                return false;
            if (!parsePort(v, port)) {
                error = "--port: not a port number: " + v;
                return false;
            }
            o.port = static_cast<std::uint16_t>(port);
        } else if (a == "--login") {
            if (!value(v))
                return false;
            auto colon = v.find(':');
            if (colon == std::string::npos || colon == 0) {
                error = "--login takes USER:PASSWORD, got " + v;
                return false;
            }
            o.logins[lower(v.substr(0, colon))] = v.substr(colon + 1);
        } else if (a == "--instance") {
            if (!value(o.instance))
                return false;
            if (o.instance.empty() || o.instance.size() > 16 || o.instance.find(';') != std::string::npos) {
                error = "--instance: a name of 1 to 16 characters without ';' is needed";
                return false;
            }
        } else if (a == "--browser") {
            if (o.browserPort < 0)
                o.browserPort = 1434; // SQL Server Browser's own port
        } else if (a == "--browser-port") {
            if (!value(v))
                return false;
            if (!parsePort(v, port)) {
                error = "--browser-port: not a port number: " + v;
                return false;
            }
            o.browserPort = port;
        } else if (a == "--fault-close-after") {
            if (!value(v))
                return false;
            if (!parseCount(v, n)) {
                error = "--fault-close-after: not a count: " + v;
                return false;
            }
            o.closeAfterBatches = static_cast<int>(n);
        } else if (a == "--fault-delay") {
            if (!value(v))
                return false;
            if (!parseCount(v, n)) {
                error = "--fault-delay: not a number of milliseconds: " + v;
                return false;
            }
            o.delayMs = static_cast<int>(n);
        } else if (a == "--fault-refuse-logins") {
            o.refuseLogins = true;
        } else if (a == "--seed-demo") {
            seedDemo = true;
        } else if (a == "--rows") {
            if (!value(v))
                return false;
            if (!parseCount(v, rows)) {
                error = "--rows: not a count: " + v;
                return false;
            }
            rowsGiven = true;
        } else {
            error = "unknown option: " + a;
            return false;
        }
    }
    if (help)
        return true;
    if (o.dataDir.empty()) {
        error = "--data DIR is required";
        return false;
    }
    if (rowsGiven && !seedDemo) {
        error = "--rows goes with --seed-demo";
        return false;
    }
    if (o.logins.empty())
        o.logins["sa"] = "vqx"; // the tool's default login
    return true;
}

const char *Server::versionText()
{
    return "yorsabat-standin 16.0.1000 (TDS 7.4 over SQLite)";
}

Server::Server(ServerOptions options) : m_options(std::move(options))
{
    closeAfterBatches = m_options.closeAfterBatches;
    delayMs = m_options.delayMs;
    refuseLogins = m_options.refuseLogins;
}

Server::~Server()
{
    stop();
    if (m_browserThread.joinable())
        m_browserThread.join();
    reapFinished(true);
}

bool Server::start(std::string &error)
{
    std::error_code ec;
    fs::create_directories(m_options.dataDir, ec);
    if (!fs::is_directory(m_options.dataDir)) {
        error = "cannot create the data folder " + m_options.dataDir + (ec ? ": " + ec.message() : std::string());
        return false;
    }
    if (!net::listenTcp(m_options.listenAddress, m_options.port, m_listener, m_port, error))
        return false;
    if (m_options.browserPort >= 0) {
        if (!net::bindUdp(m_options.listenAddress, static_cast<std::uint16_t>(m_options.browserPort), m_udp,
                          m_browserPort, error))
            return false;
        m_browserThread = std::thread([this] { browserLoop(); });
    }
    return true;
}

void Server::stop()
{
    m_stopping = true;
}

void Server::run()
{
    while (!m_stopping) {
        if (m_listener.waitReadable(200) != 1) {
            reapFinished(false);
            continue;
        }
        net::Socket client;
        if (!net::acceptOne(m_listener, client)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // out of descriptors, say
            continue;
        }
        reapFinished(false);
        auto socket = std::make_shared<net::Socket>(std::move(client));
        auto done = std::make_shared<std::atomic<bool>>(false);
        Client c;
        c.socket = socket;
        c.done = done;
        c.thread = std::thread([this, socket, done] {
            {
                Session session(*this, *socket);
                session.run();
            }
            socket->close();
            *done = true;
        });
        std::lock_guard<std::mutex> lock(m_clientsMutex);
        m_clients.push_back(std::move(c));
    }
    m_listener.close();
    reapFinished(true);
}

void Server::reapFinished(bool all)
{
    std::vector<Client> finished;
    {
        std::lock_guard<std::mutex> lock(m_clientsMutex);
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            if (all || *it->done) {
                if (all && !*it->done)
                    it->socket->shutdownBoth(); // wakes its thread out of a read
                finished.push_back(std::move(*it));
                it = m_clients.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &c : finished)
        if (c.thread.joinable())
            c.thread.join();
}

void Server::browserLoop()
{
    // SQL Server Browser: answers an instance query with the instance's TCP port.
    std::string host = "localhost";
    while (!m_stopping) {
        if (m_udp.waitReadable(200) != 1)
            continue;
        unsigned char buf[1100];
        net::Peer peer;
        long n = net::receiveFrom(m_udp, buf, sizeof buf, peer);
        if (n < 1)
            continue;
        bool answer = false;
        if (buf[0] == 0x02 || buf[0] == 0x03) {
            answer = true; // every instance
        } else if (buf[0] == 0x04 && n >= 2) {
            std::string name(reinterpret_cast<const char *>(buf + 1), static_cast<std::size_t>(n - 1));
            auto nul = name.find('\0');
            if (nul != std::string::npos)
                name.resize(nul);
            answer = equalsNoCase(name, m_options.instance);
        }
        if (!answer)
            continue;
        std::string data = "ServerName;" + host + ";InstanceName;" + m_options.instance +
                           ";IsClustered;No;Version;16.0.1000.6;tcp;" + std::to_string(m_port) + ";;";
        std::string reply;
        reply.push_back(0x05);
        reply.push_back(static_cast<char>(data.size() & 0xFF));
        reply.push_back(static_cast<char>(data.size() >> 8));
        reply += data;
        net::sendTo(m_udp, reply.data(), reply.size(), peer);
    }
}

bool Server::checkLogin(const std::string &user, const std::string &password) const
{
    auto it = m_options.logins.find(lower(user));
    return it != m_options.logins.end() && it->second == password;
}

std::vector<DatabaseEntry> Server::databases() const
{
    std::vector<DatabaseEntry> out;
    int id = 1;
    for (const char *s : kSystemDatabases)
        out.push_back(DatabaseEntry{s, std::string(), id++});
    std::vector<DatabaseEntry> files;
    std::error_code ec;
    for (fs::directory_iterator it(pathOf(m_options.dataDir), ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path &p = it->path();
        std::string file = utf8Of(p.filename());
        if (file.size() <= std::strlen(kSuffix) || file.compare(file.size() - std::strlen(kSuffix), std::string::npos, kSuffix) != 0)
            continue;
        std::string name = file.substr(0, file.size() - std::strlen(kSuffix));
        if (isSystemName(name) || !it->is_regular_file(ec))
            continue;
        files.push_back(DatabaseEntry{name, utf8Of(p), 0});
    }
    std::sort(files.begin(), files.end(), [](const DatabaseEntry &a, const DatabaseEntry &b) {
        return lower(a.name) < lower(b.name) || (lower(a.name) == lower(b.name) && a.name < b.name);
    });
    for (auto &f : files) {
        f.id = id++;
        out.push_back(f);
    }
    return out;
}

bool Server::findDatabase(const std::string &name, DatabaseEntry &out) const
{
    std::vector<DatabaseEntry> all = databases();
    for (const auto &d : all)
        if (d.name == name) {
            out = d;
            return true;
        }
    for (const auto &d : all)
        if (equalsNoCase(d.name, name)) {
            out = d;
            return true;
        }
    return false;
}

bool Server::createDatabase(const std::string &name, int &number, std::string &message)
{
    std::lock_guard<std::mutex> lock(m_dbMutex);
    DatabaseEntry existing;
    if (findDatabase(name, existing)) {
        number = 1801;
        message = "Database '" + name + "' already exists. Choose a different database name.";
        return false;
    }
    if (!validDatabaseName(name)) {
        number = 50000;
        message = "The database name '" + name + "' cannot be used as a file name by the stand-in server.";
        return false;
    }
    fs::path path = pathOf(m_options.dataDir) / pathOf(name + kSuffix);
    // An empty file is an empty SQLite database; "x" refuses to replace one that appeared meanwhile.
#ifdef _WIN32
    std::FILE *f = _wfopen(path.c_str(), L"wbx");
#else
    std::FILE *f = std::fopen(path.c_str(), "wbx");
#endif
    if (!f) {
        number = 1802;
        message = "CREATE DATABASE failed. Could not create the file for database '" + name + "'.";
        return false;
    }
    std::fclose(f);
    return true;
}

bool Server::dropDatabase(const std::string &name, int sessionId, int &number, std::string &message)
{
    std::lock_guard<std::mutex> lock(m_dbMutex);
    DatabaseEntry entry;
    if (isSystemName(name)) {
        number = 3708;
        message = "Cannot drop the database '" + name + "' because it is a system database.";
        return false;
    }
    if (!findDatabase(name, entry)) {
        number = 3701;
        message = "Cannot drop the database '" + name + "', because it does not exist or you do not have permission.";
        return false;
    }
    for (const auto &[id, db] : m_sessionDatabase) {
        (void)id;
        if (db == entry.name) {
            number = 3702;
            message = "Cannot drop database \"" + entry.name + "\" because it is currently in use.";
            return false;
        }
    }
    (void)sessionId;
    std::error_code ec;
    fs::path path = pathOf(entry.path);
    if (!fs::remove(path, ec) || ec) {
        number = 3702;
        message = "Cannot drop database \"" + entry.name + "\": " + ec.message();
        return false;
    }
    for (const char *extra : {"-wal", "-shm", "-journal"})
        fs::remove(pathOf(entry.path + extra), ec);
    return true;
}

void Server::setSessionDatabase(int sessionId, const std::string &name)
{
    std::lock_guard<std::mutex> lock(m_dbMutex);
    m_sessionDatabase[sessionId] = name;
}

void Server::removeSession(int sessionId)
{
    std::lock_guard<std::mutex> lock(m_dbMutex);
    m_sessionDatabase.erase(sessionId);
}

} // namespace yorsabat::standin
