#include "Executor.h"

#include "SqlFunctions.h"
#include "Server.h"
#include "TdsOutput.h"
#include "Text.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>

namespace yorsabat::standin {

using sql::Token;

namespace {

constexpr std::uint16_t kCmdSelect = 0xC1, kCmdInsert = 0xC3, kCmdDelete = 0xC4, kCmdUpdate = 0xC5;

std::string columnText(sqlite3_stmt *stmt, int col)
{
    const unsigned char *p = sqlite3_column_text(stmt, col);
    return p ? std::string(reinterpret_cast<const char *>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)))
             : std::string();
}

void readCell(sqlite3_stmt *stmt, int col, Cell &c)
{
    c.type = sqlite3_column_type(stmt, col);
    switch (c.type) {
    case SQLITE_INTEGER: c.i = sqlite3_column_int64(stmt, col); break;
    case SQLITE_FLOAT: c.d = sqlite3_column_double(stmt, col); break;
    case SQLITE_TEXT: {
        const unsigned char *p = sqlite3_column_text(stmt, col);
        c.s.assign(reinterpret_cast<const char *>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
        break;
    }
    case SQLITE_BLOB: {
        const void *p = sqlite3_column_blob(stmt, col);
        c.s.assign(static_cast<const char *>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
        break;
    }
    default: break;
    }
}

std::string afterPrefix(const std::string &message, const std::string &prefix)
{
    return message.substr(prefix.size());
}

std::string lastPart(const std::string &name)
{
    auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

} // namespace

Executor::Executor(Server &server, int sessionId) : m_server(server), m_sessionId(sessionId) {}

Executor::~Executor()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

bool Executor::openHandle(const std::string &path, SqlError &error)
{
    sqlite3 *db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (path.empty() ? SQLITE_OPEN_MEMORY | SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.empty() ? ":memory:" : path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        error.number = 4060;
        error.severity = 11;
        error.message = std::string("Cannot open database: ") + (db ? sqlite3_errmsg(db) : "out of memory");
        if (db)
            sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, 10000);
    sqlite3_extended_result_codes(db, 0);
    registerTsqlFunctions(db, [this] { return m_database; });
    const char *catalog =
        "CREATE TEMP TABLE sysdatabases(name sysname COLLATE NOCASE, dbid smallint, sid varbinary(85), mode smallint,"
        " status int, status2 int, crdate datetime, reserved datetime, category int, cmptlevel tinyint,"
        " filename nvarchar(260), version smallint);"
        "CREATE TEMP TABLE \"sys.databases\"(name sysname COLLATE NOCASE, database_id int, create_date datetime,"
        " compatibility_level tinyint, collation_name sysname, state tinyint, state_desc nvarchar(60));"
        "CREATE TEMP TABLE \"sys.tables\"(name sysname COLLATE NOCASE, object_id int, principal_id int, schema_id int,"
        " parent_object_id int, type char(2), type_desc nvarchar(60), create_date datetime, modify_date datetime);"
        "CREATE TEMP TABLE \"information_schema.tables\"(TABLE_CATALOG nvarchar(128), TABLE_SCHEMA nvarchar(128),"
        " TABLE_NAME sysname COLLATE NOCASE, TABLE_TYPE varchar(10));";
    char *err = nullptr;
    if (sqlite3_exec(db, catalog, nullptr, nullptr, &err) != SQLITE_OK) {
        error.number = 50000;
        error.message = err ? err : "cannot prepare the catalogue";
        sqlite3_free(err);
        sqlite3_close_v2(db);
        return false;
    }
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = db;
    m_attached.clear();
    return true;
}

bool Executor::use(const std::string &name, SqlError &error)
{
    DatabaseEntry entry;
    if (!m_server.findDatabase(name, entry)) {
        error.number = 911;
        error.message = "Database '" + name + "' does not exist. Make sure that the name is entered correctly.";
        return false;
    }
    if (m_db && entry.name == m_database)
        return true;
    if (m_db && !sqlite3_get_autocommit(m_db)) {
        // Each database is its own SQLite file: switching would end the open transaction.
        error.number = 50000;
        error.message = "USE cannot switch databases inside an open transaction on the stand-in server; "
                        "COMMIT or ROLLBACK first.";
        return false;
    }
    if (!openHandle(entry.path, error))
        return false;
    m_database = entry.name;
    m_server.setSessionDatabase(m_sessionId, m_database);
    return true;
}

std::string Executor::attachDatabase(const std::string &name)
{
    DatabaseEntry entry;
    if (!m_server.findDatabase(name, entry) || entry.path.empty())
        return {};
    for (const auto &a : m_attached)
        if (a == entry.name)
            return a;
    std::string q = "ATTACH DATABASE " + sql::quoteLiteral(entry.path) + " AS " + sql::quoteIdentifier(entry.name);
    if (sqlite3_exec(m_db, q.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return {};
    m_attached.push_back(entry.name);
    return entry.name;
}

void Executor::refreshCatalog(const std::string &text)
{
    std::string t = lower(text);
    auto exec = [&](const std::string &q) { sqlite3_exec(m_db, q.c_str(), nullptr, nullptr, nullptr); };
    if (t.find("sysdatabases") != std::string::npos || t.find("sys.databases") != std::string::npos) {
        std::string q = "DELETE FROM temp.sysdatabases; DELETE FROM temp.\"sys.databases\";";
        for (const auto &d : m_server.databases()) {
            std::string path = d.path.empty() ? m_server.options().dataDir + "/" + d.name + ".sqlite" : d.path;
            q += "INSERT INTO temp.sysdatabases(name,dbid,mode,status,status2,crdate,category,cmptlevel,filename,version)"
                 " VALUES(" + sql::quoteLiteral(d.name) + "," + std::to_string(d.id) +
                 ",0,65544,1627389952,'2024-01-01 00:00:00.000',0,160," + sql::quoteLiteral(path) + ",957);";
            q += "INSERT INTO temp.\"sys.databases\" VALUES(" + sql::quoteLiteral(d.name) + "," + std::to_string(d.id) +
                 ",'2024-01-01 00:00:00.000',160,'Turkish_CI_AS',0,'ONLINE');";
        }
        exec(q);
    }
    if (t.find("sys.tables") != std::string::npos || t.find("information_schema.tables") != std::string::npos) {
        exec("DELETE FROM temp.\"sys.tables\"; DELETE FROM temp.\"information_schema.tables\";"
             "INSERT INTO temp.\"sys.tables\" SELECT name, rowid, NULL, 1, 0, 'U ', 'USER_TABLE',"
             " '2024-01-01 00:00:00.000', '2024-01-01 00:00:00.000' FROM main.sqlite_master"
             " WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\';"
             "INSERT INTO temp.\"information_schema.tables\" SELECT " + sql::quoteLiteral(m_database) +
             ", 'dbo', name, CASE type WHEN 'view' THEN 'VIEW' ELSE 'BASE TABLE' END FROM main.sqlite_master"
             " WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\';");
    }
}

void Executor::sendError(const SqlError &error, int line)
{
    if (m_dryRun) {
        if (!m_dryFailed) {
            m_dryFailed = true;
            m_dryError = error;
            m_dryLine = line;
        }
        return;
    }
    flushDone(true);
    writeMessage(*m_out, tds::Error, error.number, error.state, error.severity, error.message,
                 m_server.options().instance, line, m_version);
}

void Executor::sendInfo(int number, const std::string &message, int line)
{
    flushDone(true);
    writeMessage(*m_out, tds::Info, number, 1, 0, message, m_server.options().instance, line, m_version);
}

void Executor::sendEnvChange(std::uint8_t type, const std::string &newValue, const std::string &oldValue)
{
    flushDone(true);
    writeEnvChange(*m_out, type, newValue, oldValue);
}

void Executor::queueDone(std::uint16_t status, std::uint16_t command, std::uint64_t count, bool hasCount)
{
    if (m_dryRun)
        return;
    flushDone(true);
    m_done.pending = true;
    m_done.status = static_cast<std::uint16_t>(status | (hasCount && !m_noCount ? tds::DoneCount : 0));
    m_done.command = command;
    m_done.count = count;
}

void Executor::flushDone(bool more)
{
    if (!m_done.pending)
        return;
    m_done.pending = false;
    writeDone(*m_out, static_cast<std::uint16_t>(m_done.status | (more ? tds::DoneMore : 0)), m_done.command,
              m_done.count, m_version, m_parameters ? tds::DoneInProc : tds::Done);
}

std::size_t Executor::statementEnd(const std::vector<Token> &tokens, std::size_t i) const
{
    // End of a statement the stand-in runs itself: the rest of its line, or a semicolon.
    int line = tokens[i].line;
    std::size_t j = i;
    while (j < tokens.size()) {
        const Token &t = tokens[j];
        if (t.kind == Token::Punct && t.text == ";")
            return j;
        if (t.significant() && t.line != line)
            return j;
        ++j;
    }
    return j;
}

bool Executor::runBatch(std::string_view text, TdsOutput &out, std::uint32_t tdsVersion, const Parameters *parameters)
{
    m_out = &out;
    m_version = tdsVersion;
    m_done = Done{};
    m_parameters = parameters;
    const bool more = parameters != nullptr; // DONEPROC follows
    std::vector<Token> tokens = sql::tokenize(text);

    // A "GO" line is a client's batch separator; the server sees a syntax error and runs nothing.
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        if (!tokens[k].isWord("go"))
            continue;
        bool alone = true;
        for (std::size_t b = k; b-- > 0 && tokens[b].line == tokens[k].line;)
            if (tokens[b].significant())
                alone = false;
        std::size_t n = sql::nextSignificant(tokens, k + 1);
        if (n < tokens.size() && tokens[n].line == tokens[k].line && tokens[n].kind != Token::Number)
            alone = false;
        if (alone) {
            SqlError e{102, 15, 1, "Incorrect syntax near 'GO'."};
            sendError(e, tokens[k].line);
            queueDone(tds::DoneError, 0, 0, false);
            flushDone(more);
            return false;
        }
    }

    m_dryRun = true;
    m_dryFailed = false;
    runStatements(tokens);
    m_dryRun = false;
    if (m_dryFailed) {
        sendError(m_dryError, m_dryLine);
        queueDone(tds::DoneError, 0, 0, false);
        flushDone(more);
        return false;
    }
    m_ok = true;
    runStatements(tokens);
    const bool ok = m_ok;
    if (out.interrupted()) {
        m_done = Done{};
        return false; // the caller acknowledges the cancel
    }
    if (m_done.pending)
        flushDone(more);
    else if (!more) {
        queueDone(0, 0, 0, false);
        flushDone(false);
    }
    return ok;
}

void Executor::runStatements(const std::vector<Token> &tokens)
{
    std::size_t i = 0;
    bool ok = true;
    while (ok) {
        i = sql::nextSignificant(tokens, i);
        if (i >= tokens.size())
            break;
        const Token &t = tokens[i];
        if (t.kind == Token::Punct && t.text == ";") {
            ++i;
            continue;
        }
        std::size_t second = sql::nextSignificant(tokens, i + 1);
        if (t.isWord("use"))
            ok = runUse(tokens, i);
        else if (t.isWord("set"))
            ok = runSet(tokens, i);
        else if ((t.isWord("create") || t.isWord("drop")) && second < tokens.size() && tokens[second].isWord("database"))
            ok = runDatabaseDdl(tokens, i, t.isWord("create"));
        else if (t.isWord("standin"))
            ok = runControl(tokens, i);
        else if (t.isWord("print"))
            ok = runPrint(tokens, i);
        else
            ok = runSqlite(tokens, i);
        if (m_out->failed() || m_out->interrupted())
            break;
    }
    if (!m_dryRun)
        m_ok = ok;
}

bool Executor::runUse(const std::vector<Token> &tokens, std::size_t &i)
{
    int line = tokens[i].line;
    std::size_t n = sql::nextSignificant(tokens, i + 1);
    if (n >= tokens.size() || !(tokens[n].kind == Token::Word || tokens[n].kind == Token::QuotedId)) {
        SqlError e{102, 15, 1, "Incorrect syntax near '" + std::string(n < tokens.size() ? tokens[n].text : "USE") + "'."};
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    std::string name = tokens[n].name();
    i = n + 1;
    if (m_dryRun)
        return true;
    std::string old = m_database;
    SqlError error;
    if (!use(name, error)) {
        sendError(error, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    sendEnvChange(1, m_database, old);
    sendInfo(5701, "Changed database context to '" + m_database + "'.", line);
    queueDone(0, 0, 0, false);
    return true;
}

bool Executor::runSet(const std::vector<Token> &tokens, std::size_t &i)
{
    // SET option[, option...] {ON | OFF | value}: accepted; NOCOUNT is honoured.
    std::size_t n = sql::nextSignificant(tokens, i + 1);
    if (n < tokens.size() && tokens[n].kind == Token::Variable) {
        SqlError e{137, 15, 2, "Must declare the scalar variable \"" + std::string(tokens[n].text) + "\"."};
        sendError(e, tokens[i].line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    std::vector<std::string> words;
    std::size_t j = n;
    while (j < tokens.size()) {
        const Token &t = tokens[j];
        if (!t.significant()) {
            ++j;
            continue;
        }
        if (t.kind == Token::Punct && t.text == ",") {
            ++j;
            continue;
        }
        if (t.kind == Token::Punct && t.text == ";")
            break;
        if (!words.empty() && (t.line != tokens[i].line || sql::startsStatement(tokens, j)))
            break; // options end with their line or where the next statement starts
        words.push_back(lower(t.text));
        ++j;
        if (words.size() >= 2 && (words.back() == "on" || words.back() == "off" || t.kind == Token::Number ||
                                  t.kind == Token::String))
            break;
    }
    i = j;
    if (!words.empty() && words.front() == "nocount" && words.size() >= 2)
        m_noCount = words.back() == "on";
    queueDone(0, 0, 0, false);
    return true;
}

bool Executor::runDatabaseDdl(const std::vector<Token> &tokens, std::size_t &i, bool create)
{
    int line = tokens[i].line;
    std::size_t kw = sql::nextSignificant(tokens, i + 1);
    std::size_t n = sql::nextSignificant(tokens, kw + 1);
    if (n >= tokens.size() || !(tokens[n].kind == Token::Word || tokens[n].kind == Token::QuotedId)) {
        SqlError e{102, 15, 1, "Incorrect syntax near 'DATABASE'."};
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    std::string name = tokens[n].name();
    i = n + 1;
    if (m_dryRun)
        return true;
    SqlError e;
    bool ok = create ? m_server.createDatabase(name, e.number, e.message)
                     : m_server.dropDatabase(name, m_sessionId, e.number, e.message);
    if (!ok) {
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    queueDone(0, 0, 0, false);
    return true;
}

bool Executor::runControl(const std::vector<Token> &tokens, std::size_t &i)
{
    // STANDIN FAULT {DELAY ms | CLOSE AFTER n | REFUSE LOGINS {ON|OFF} | NONE}
    int line = tokens[i].line;
    std::size_t end = statementEnd(tokens, i);
    std::vector<std::string> w;
    for (std::size_t k = i + 1; k < end; ++k)
        if (tokens[k].significant())
            w.push_back(lower(tokens[k].text));
    i = end;
    if (m_dryRun)
        return true;
    auto number = [](const std::string &s, int &v) {
        if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 9)
            return false;
        v = std::stoi(s);
        return true;
    };
    int v = 0;
    bool ok = false;
    if (w.size() >= 2 && w[0] == "fault") {
        if (w.size() == 3 && w[1] == "delay" && number(w[2], v)) {
            m_server.delayMs = v;
            ok = true;
        } else if (w.size() == 4 && w[1] == "close" && w[2] == "after" && number(w[3], v)) {
            m_server.closeAfterBatches = v;
            ok = true;
        } else if (w.size() == 4 && w[1] == "refuse" && w[2] == "logins" && (w[3] == "on" || w[3] == "off")) {
            m_server.refuseLogins = w[3] == "on";
            ok = true;
        } else if (w.size() == 2 && w[1] == "none") {
            m_server.delayMs = 0;
            m_server.closeAfterBatches = 0;
            m_server.refuseLogins = false;
            ok = true;
        }
    }
    if (!ok) {
        SqlError e{102, 15, 1, "Incorrect syntax near 'STANDIN'. Expected STANDIN FAULT {DELAY ms | CLOSE AFTER n | "
                               "REFUSE LOGINS {ON|OFF} | NONE}."};
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    queueDone(0, 0, 0, false);
    return true;
}

bool Executor::runPrint(const std::vector<Token> &tokens, std::size_t &i)
{
    int line = tokens[i].line;
    std::size_t end = statementEnd(tokens, i);
    std::size_t from = sql::nextSignificant(tokens, i + 1);
    sql::Context ctx;
    ctx.currentDatabase = m_database;
    auto tr = sql::translate(tokens, from, end, ctx);
    i = end;
    if (m_dryRun)
        return true;
    std::string q = "SELECT " + tr.text;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, q.c_str(), static_cast<int>(q.size()), &stmt, nullptr);
    if (rc == SQLITE_OK && stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        std::string message = columnText(stmt, 0);
        sqlite3_finalize(stmt);
        sendInfo(0, message, line);
        queueDone(0, 0, 0, false);
        return true;
    }
    SqlError e = mapError(rc, sqlite3_errmsg(m_db), tokens, from, end);
    sqlite3_finalize(stmt);
    sendError(e, line);
    queueDone(tds::DoneError, 0, 0, false);
    return false;
}

SqlError Executor::mapError(int rc, const std::string &message, const std::vector<Token> &tokens, std::size_t begin,
                            std::size_t end) const
{
    SqlError e;
    e.number = 50000;
    e.severity = 16;
    e.message = message;
    auto starts = [&](const char *p) { return message.rfind(p, 0) == 0; };
    if (starts("no such table: ")) {
        std::string name = afterPrefix(message, "no such table: ");
        if (name.rfind("main.", 0) == 0)
            name = name.substr(5);
        e.number = 208;
        e.message = "Invalid object name '" + name + "'.";
    } else if (starts("no such column: ")) {
        e.number = 207;
        e.message = "Invalid column name '" + lastPart(afterPrefix(message, "no such column: ")) + "'.";
    } else if (starts("near \"")) {
        auto close = message.find("\": syntax error");
        e.number = 102;
        e.severity = 15;
        e.message = "Incorrect syntax near '" + message.substr(6, close == std::string::npos ? 0 : close - 6) + "'.";
    } else if (starts("incomplete input") || starts("unrecognized token: ")) {
        std::string last;
        for (std::size_t k = begin; k < end && k < tokens.size(); ++k)
            if (tokens[k].significant())
                last = std::string(tokens[k].text);
        e.severity = 15;
        if (!last.empty() && (last[0] == '\'' || ((last[0] == 'N' || last[0] == 'n') && last.size() > 1 && last[1] == '\'')) &&
            (last.size() < 2 || last.back() != '\'' || last == "'" || last == "N'")) {
            e.number = 105;
            e.message = "Unclosed quotation mark after the character string '" + last.substr(last.find('\'') + 1) + "'.";
        } else {
            e.number = 102;
            e.message = "Incorrect syntax near '" + last + "'.";
        }
    } else if (starts("table ") && message.find(" already exists") != std::string::npos) {
        std::string name = message.substr(6, message.find(" already exists") - 6);
        if (!name.empty() && name.front() == '"')
            name = name.substr(1, name.size() - 2);
        e.number = 2714;
        e.message = "There is already an object named '" + name + "' in the database.";
    } else if (starts("UNIQUE constraint failed: ") || starts("PRIMARY KEY constraint failed")) {
        std::string what = message.substr(message.find(": ") + 2);
        auto dot = what.find('.');
        e.number = 2627;
        e.severity = 14;
        e.message = "Violation of UNIQUE KEY constraint. Cannot insert duplicate key in object 'dbo." +
                    what.substr(0, dot) + "'.";
    } else if (starts("NOT NULL constraint failed: ")) {
        std::string what = afterPrefix(message, "NOT NULL constraint failed: ");
        auto dot = what.find('.');
        e.number = 515;
        e.message = "Cannot insert the value NULL into column '" + what.substr(dot + 1) + "', table '" + m_database +
                    ".dbo." + what.substr(0, dot) + "'; column does not allow nulls. INSERT fails.";
    } else if (starts("no such function: ")) {
        e.number = 195;
        e.severity = 15;
        e.message = "'" + afterPrefix(message, "no such function: ") + "' is not a recognized built-in function name.";
    } else if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        e.number = 1222;
        e.message = "Lock request time out period exceeded.";
    }
    return e;
}

bool Executor::runSqlite(const std::vector<Token> &tokens, std::size_t &i)
{
    sql::Context ctx;
    ctx.currentDatabase = m_database;
    if (!m_dryRun)
        ctx.attach = [this](const std::string &db) { return attachDatabase(db); };
    ctx.lastRowCount = m_lastRowCount;
    ctx.serverName = m_server.options().instance;
    ctx.version = Server::versionText();
    ctx.spid = m_sessionId;
    int line = tokens[i].line;
    const Token &first = tokens[i];

    std::size_t end = sql::reservedStatementEnd(tokens, i);
    sql::Translation tr = sql::translate(tokens, i, end, ctx);
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    int rc = sqlite3_prepare_v2(m_db, tr.text.c_str(), static_cast<int>(tr.text.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        // T-SQL needs no semicolons: when SQLite stops at the first word of a next statement, cut there.
        int offset = sqlite3_error_offset(m_db);
        if (offset > 0) {
            std::size_t at = tr.tokenAt(static_cast<std::size_t>(offset));
            if (at > i && at < tokens.size() && tokens[at].depth == 0 && sql::startsStatement(tokens, at)) {
                end = at;
                tr = sql::translate(tokens, i, end, ctx);
                rc = sqlite3_prepare_v2(m_db, tr.text.c_str(), static_cast<int>(tr.text.size()), &stmt, &tail);
            }
        }
    }
    if (rc != SQLITE_OK) {
        SqlError e = mapError(rc, sqlite3_errmsg(m_db), tokens, i, end);
        if (m_dryRun && e.number != 102 && e.number != 105) {
            // Names are resolved when the statement runs (an earlier one may create them);
            // the first pass cannot see past this statement.
            sqlite3_finalize(stmt);
            return false;
        }
        int offset = sqlite3_error_offset(m_db);
        if (offset >= 0)
            line = tokens[tr.tokenAt(static_cast<std::size_t>(offset))].line;
        sqlite3_finalize(stmt);
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }
    std::size_t consumed = static_cast<std::size_t>(tail - tr.text.c_str());
    std::size_t next = consumed >= tr.text.size() ? end : tr.tokenAt(consumed);
    if (next <= i)
        next = end;
    i = next;
    if (!stmt)
        return true; // only comments
    if (m_dryRun) {
        sqlite3_finalize(stmt);
        return true;
    }

    const int params = sqlite3_bind_parameter_count(stmt);
    for (int p = 1; p <= params; ++p) {
        const char *name = sqlite3_bind_parameter_name(stmt, p);
        const Cell *value = nullptr;
        if (m_parameters && name)
            for (const auto &[given, cell] : *m_parameters)
                if (equalsNoCase(given, name))
                    value = &cell;
        if (!value) {
            SqlError e{137, 15, 2, "Must declare the scalar variable \"" + std::string(name ? name : "?") + "\"."};
            sqlite3_finalize(stmt);
            sendError(e, line);
            queueDone(tds::DoneError, 0, 0, false);
            return false;
        }
        switch (value->type) {
        case SQLITE_INTEGER: sqlite3_bind_int64(stmt, p, value->i); break;
        case SQLITE_FLOAT: sqlite3_bind_double(stmt, p, value->d); break;
        case SQLITE_TEXT:
            sqlite3_bind_text(stmt, p, value->s.data(), static_cast<int>(value->s.size()), SQLITE_TRANSIENT);
            break;
        case SQLITE_BLOB:
            sqlite3_bind_blob(stmt, p, value->s.data(), static_cast<int>(value->s.size()), SQLITE_TRANSIENT);
            break;
        default: sqlite3_bind_null(stmt, p); break;
        }
    }
    refreshCatalog(tr.text);

    bool ok;
    if (sqlite3_column_count(stmt) > 0) {
        ok = streamResult(stmt, line);
    } else {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            SqlError e = mapError(rc, sqlite3_errmsg(m_db), tokens, first.pos, next);
            sendError(e, line);
            queueDone(tds::DoneError, 0, 0, false);
            ok = false;
        } else {
            bool dml = first.isWord("insert") || first.isWord("update") || first.isWord("delete") || first.isWord("replace");
            std::uint16_t cmd = first.isWord("insert") ? kCmdInsert : first.isWord("update") ? kCmdUpdate
                                : first.isWord("delete") ? kCmdDelete : 0;
            std::int64_t count = dml ? sqlite3_changes(m_db) : 0;
            if (dml)
                m_lastRowCount = count;
            queueDone(0, cmd, static_cast<std::uint64_t>(count), dml);
            ok = true;
        }
    }
    sqlite3_finalize(stmt);
    return ok;
}

bool Executor::streamResult(sqlite3_stmt *stmt, int line)
{
    TdsOutput &out = *m_out;
    const int ncol = sqlite3_column_count(stmt);
    std::vector<std::vector<Cell>> ahead;
    bool complete = false;
    int rc = SQLITE_ROW;
    std::size_t aheadBytes = 0;
    while (static_cast<int>(ahead.size()) < kLookAheadRows && aheadBytes < kLookAheadBytes) {
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW) {
            complete = true;
            break;
        }
        std::vector<Cell> row(static_cast<std::size_t>(ncol));
        for (int c = 0; c < ncol; ++c) {
            readCell(stmt, c, row[static_cast<std::size_t>(c)]);
            aheadBytes += 16 + row[static_cast<std::size_t>(c)].s.size();
        }
        ahead.push_back(std::move(row));
    }
    if (complete && rc != SQLITE_DONE) {
        SqlError e = mapError(rc, sqlite3_errmsg(m_db), {}, 0, 0);
        sendError(e, line);
        queueDone(tds::DoneError, 0, 0, false);
        return false;
    }

    std::vector<ColumnType> types(static_cast<std::size_t>(ncol));
    std::vector<const Cell *> column;
    std::vector<int> inferred;
    for (int c = 0; c < ncol; ++c) {
        const char *decl = sqlite3_column_decltype(stmt, c);
        ColumnType t;
        if (decl && typeFromDeclared(decl, t)) {
            for (const auto &row : ahead)
                widenFor(t, row[static_cast<std::size_t>(c)], true);
        } else {
            column.clear();
            for (const auto &row : ahead)
                column.push_back(&row[static_cast<std::size_t>(c)]);
            t = typeFromValues(column, complete);
            inferred.push_back(c);
        }
        types[static_cast<std::size_t>(c)] = t;
    }
    // Expression columns of a result longer than the look-ahead: one pass over the whole
    // result finds the type that carries every value.
    if (!complete && !inferred.empty() && sqlite3_stmt_readonly(stmt))
        surveyColumns(stmt, inferred, types);
    for (int c = 0; c < ncol; ++c) {
        ColumnType &t = types[static_cast<std::size_t>(c)];
        if (t.kind == ColumnType::Date && m_version < tds::Version73) {
            t.kind = ColumnType::NVarChar; // older clients get dates as text, as SQL Server sends them
            t.length = 10;
        }
    }

    flushDone(true);
    out.u8(tds::ColMetadata);
    out.u16(static_cast<std::uint16_t>(ncol));
    for (int c = 0; c < ncol; ++c) {
        writeColumnInfo(out, types[static_cast<std::size_t>(c)], m_version);
        const char *name = sqlite3_column_name(stmt, c);
        out.bVarchar(name ? name : "");
    }

    std::uint64_t count = 0;
    SqlError error;
    std::string rowBytes;
    auto sendRow = [&](const std::vector<Cell> &row) {
        // The whole row is encoded before any of it goes out: a value that cannot be sent
        // must not leave half a row on the wire.
        rowBytes.assign(1, static_cast<char>(tds::Row));
        for (int c = 0; c < ncol; ++c)
            if (!appendValue(rowBytes, types[static_cast<std::size_t>(c)], row[static_cast<std::size_t>(c)], error))
                return false;
        out.bytes(rowBytes);
        ++count;
        return true;
    };
    bool ok = true;
    for (const auto &row : ahead) {
        if (!(ok = sendRow(row)) || out.failed() || out.interrupted())
            break;
    }
    if (ok && !complete) {
        std::vector<Cell> row(static_cast<std::size_t>(ncol));
        while (!out.failed() && !out.interrupted()) {
            rc = sqlite3_step(stmt);
            if (rc != SQLITE_ROW)
                break;
            for (int c = 0; c < ncol; ++c)
                readCell(stmt, c, row[static_cast<std::size_t>(c)]);
            if (!(ok = sendRow(row)))
                break;
        }
        if (ok && rc != SQLITE_DONE && rc != SQLITE_ROW) {
            error = mapError(rc, sqlite3_errmsg(m_db), {}, 0, 0);
            ok = false;
        }
    }
    if (!ok) {
        // A value that cannot be sent without loss ends the statement with an error, as on SQL Server.
        sendError(error, line);
        queueDone(tds::DoneError, kCmdSelect, count, true);
        return false;
    }
    m_lastRowCount = static_cast<std::int64_t>(count);
    queueDone(0, kCmdSelect, count, true);
    return true;
}

void Executor::surveyColumns(sqlite3_stmt *stmt, const std::vector<int> &columns, std::vector<ColumnType> &types)
{
    // With the values of any bound parameters written in, so the pass sees the same rows.
    char *expanded = sqlite3_expanded_sql(stmt);
    std::string text = expanded ? expanded : sqlite3_sql(stmt);
    sqlite3_free(expanded);
    while (!text.empty() && (text.back() == ';' || text.back() == ' ' || text.back() == '\n' || text.back() == '\r' ||
                             text.back() == '\t'))
        text.pop_back();
    const int ncol = sqlite3_column_count(stmt);
    std::string names, aggregates;
    for (int c = 0; c < ncol; ++c)
        names += (c ? ",c" : "c") + std::to_string(c);
    for (int c : columns) {
        std::string v = "c" + std::to_string(c);
        std::string t = "CAST(" + v + " AS TEXT)";
        aggregates += std::string(aggregates.empty() ? "" : ",") + "sum(typeof(" + v + ")='real'),sum(typeof(" + v +
                      ")='text'),sum(typeof(" + v + ")='blob'),min(CASE typeof(" + v + ") WHEN 'integer' THEN " + v +
                      " END),max(CASE typeof(" + v + ") WHEN 'integer' THEN " + v + " END),max(CASE typeof(" + v +
                      ") WHEN 'real' THEN abs(" + v + ") END),max(CASE WHEN typeof(" + v + ")<>'real' THEN NULL WHEN instr(" +
                      t + ",'e')>0 THEN 99 WHEN instr(" + t + ",'.')>0 THEN length(rtrim(" + t + ",'0'))-instr(" + t +
                      ",'.') ELSE 0 END),max(length(" + t + ")),count(" + v + ")";
    }
    std::string q = "WITH q(" + names + ") AS (" + text + ") SELECT " + aggregates + " FROM q";
    sqlite3_stmt *survey = nullptr;
    if (sqlite3_prepare_v2(m_db, q.c_str(), static_cast<int>(q.size()), &survey, nullptr) != SQLITE_OK ||
        sqlite3_step(survey) != SQLITE_ROW) {
        sqlite3_finalize(survey);
        return; // keep the look-ahead's types; a value that does not fit is then reported
    }
    for (std::size_t k = 0; k < columns.size(); ++k) {
        int base = static_cast<int>(k) * 9;
        auto num = [&](int i) { return sqlite3_column_int64(survey, base + i); };
        bool has = [&](int i) { return sqlite3_column_type(survey, base + i) != SQLITE_NULL; }(3);
        ColumnType t;
        if (num(2) > 0) {
            t.kind = ColumnType::VarBinary;
            t.length = -1;
        } else if (num(1) > 0) {
            t.kind = ColumnType::NVarChar;
            std::int64_t len = num(7);
            t.length = len > 4000 ? -1 : static_cast<int>(std::max<std::int64_t>(len, 1));
        } else if (num(0) > 0) {
            double maxAbs = sqlite3_column_double(survey, base + 5);
            std::int64_t scale = num(6);
            DecimalNumber n = decimalFromDouble(maxAbs);
            int intDigits = std::max(0, static_cast<int>(n.digits.size()) + n.exponent);
            if (has) {
                std::int64_t lo = num(3), hi = num(4);
                intDigits = std::max<int>(intDigits, static_cast<int>(std::to_string(std::max(hi, -lo)).size()));
            }
            if (scale >= 99 || intDigits + scale > 38) {
                t.kind = ColumnType::Float;
                t.size = 8;
            } else {
                t.kind = ColumnType::Decimal;
                t.precision = 38;
                t.scale = static_cast<int>(scale);
            }
        } else if (has) {
            std::int64_t lo = num(3), hi = num(4);
            t.kind = ColumnType::Int;
            t.size = (lo >= INT32_MIN && hi <= INT32_MAX) ? 4 : 8;
        } else {
            continue; // only NULLs: the look-ahead's type stands
        }
        types[static_cast<std::size_t>(columns[k])] = t;
    }
    sqlite3_finalize(survey);
}

} // namespace yorsabat::standin
