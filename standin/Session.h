#pragma once

#include "Executor.h"
#include "Net.h"
#include "TdsOutput.h"

#include <cstdint>
#include <map>
#include <string>

namespace yorsabat::standin {

class Server;

// One client connection: PRELOGIN, LOGIN7, then batches until the client leaves.
class Session
{
public:
    Session(Server &server, net::Socket &socket);
    ~Session();
    void run();

private:
    bool readMessage(std::uint8_t &type, std::string &payload);
    bool answerPrelogin(const std::string &payload);
    bool answerLogin(const std::string &payload);
    void answerBatch(const std::string &payload);
    void answerRpc(const std::string &payload);
    void answerUnsupported(const char *what);
    void acknowledgeAttention();
    void refuseLogin(const std::string &user, const SqlError *first);
    bool cancelArrived(); // hook between packets of a long answer
    void delay();

    Server &m_server;
    net::Socket &m_socket;
    TdsOutput m_out;
    int m_id;
    Executor m_exec;
    std::uint32_t m_version = tds::Version74;
    std::string m_user;
    int m_batches = 0;
    std::map<int, std::pair<std::string, std::string>> m_prepared; // handle -> statement, parameter declarations
    int m_nextHandle = 1;
};

} // namespace yorsabat::standin
