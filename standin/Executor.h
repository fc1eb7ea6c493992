#pragma once

#include "SqlText.h"
#include "Values.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace yorsabat::standin {

class Server;
class TdsOutput;

// Runs the statements of one connection's batches on SQLite and writes the answer tokens.
class Executor
{
public:
    Executor(Server &server, int sessionId);
    ~Executor();
    Executor(const Executor &) = delete;
    Executor &operator=(const Executor &) = delete;

    // Makes name the current database; false with error 911 (or another) if it cannot.
    bool use(const std::string &name, SqlError &error);
    const std::string &currentDatabase() const { return m_database; }

    // Values for the @names of a statement sent by a remote procedure call.
    using Parameters = std::vector<std::pair<std::string, Cell>>;

    // Runs a whole batch, writing tokens to out (the caller starts and finishes the message).
    // With parameters it runs inside a procedure: DONEINPROC tokens, the caller ends with
    // DONEPROC. Returns false when a statement failed.
    bool runBatch(std::string_view text, TdsOutput &out, std::uint32_t tdsVersion, const Parameters *parameters = nullptr);

    // Rows examined before the column types of a result are fixed.
    static constexpr int kLookAheadRows = 1000;
    static constexpr std::size_t kLookAheadBytes = 16u << 20; // and at most this much of them

private:
    struct Done
    {
        bool pending = false;
        std::uint16_t status = 0;
        std::uint16_t command = 0;
        std::uint64_t count = 0;
    };

    void sendError(const SqlError &error, int line);
    void sendInfo(int number, const std::string &message, int line);
    void sendEnvChange(std::uint8_t type, const std::string &newValue, const std::string &oldValue);
    void queueDone(std::uint16_t status, std::uint16_t command, std::uint64_t count, bool hasCount);
    void flushDone(bool more);

    // Statement handlers: return false when the batch must stop (error sent).
    bool runUse(const std::vector<sql::Token> &tokens, std::size_t &i);
    bool runSet(const std::vector<sql::Token> &tokens, std::size_t &i);
    bool runDatabaseDdl(const std::vector<sql::Token> &tokens, std::size_t &i, bool create);
    bool runControl(const std::vector<sql::Token> &tokens, std::size_t &i);
    bool runPrint(const std::vector<sql::Token> &tokens, std::size_t &i);
    bool runSqlite(const std::vector<sql::Token> &tokens, std::size_t &i);
    void runStatements(const std::vector<sql::Token> &tokens);
    bool streamResult(sqlite3_stmt *stmt, int line);
    void surveyColumns(sqlite3_stmt *stmt, const std::vector<int> &columns, std::vector<ColumnType> &types);

    bool openHandle(const std::string &path, SqlError &error);
    void refreshCatalog(const std::string &sqliteText);
    std::string attachDatabase(const std::string &name);
    SqlError mapError(int rc, const std::string &message, const std::vector<sql::Token> &tokens,
                      std::size_t begin, std::size_t end) const;
    std::size_t statementEnd(const std::vector<sql::Token> &tokens, std::size_t i) const;

    Server &m_server;
    int m_sessionId;
    sqlite3 *m_db = nullptr;
    std::string m_database;
    std::vector<std::string> m_attached;
    TdsOutput *m_out = nullptr;
    std::uint32_t m_version = 0;
    Done m_done;
    const Parameters *m_parameters = nullptr;
    // First pass over a batch: statements are only parsed, as SQL Server compiles a batch
    // before running it, so a syntax error anywhere runs nothing.
    bool m_dryRun = false;
    bool m_dryFailed = false;
    SqlError m_dryError;
    int m_dryLine = 0;
    bool m_ok = true;
    bool m_noCount = false;
    std::int64_t m_lastRowCount = 0;
};

} // namespace yorsabat::standin
