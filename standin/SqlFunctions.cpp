#include "SqlFunctions.h"

#include "ExactSum.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace yorsabat::standin {

namespace {

void fnDbName(sqlite3_context *ctx, int, sqlite3_value **)
{
    const auto *current = static_cast<const std::function<std::string()> *>(sqlite3_user_data(ctx));
    const std::string name = (*current)();
    sqlite3_result_text(ctx, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
}

void fnGetDate(sqlite3_context *ctx, int, sqlite3_value **)
{
    bool utc = sqlite3_user_data(ctx) != nullptr;
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
#ifdef _WIN32
    if (utc)
        gmtime_s(&tm, &t);
    else
        localtime_s(&tm, &t);
#else
    if (utc)
        gmtime_r(&t, &tm);
    else
        localtime_r(&t, &tm);
#endif
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    sqlite3_result_text(ctx, buf, -1, SQLITE_TRANSIENT);
}

// LEN: characters without trailing blanks, as SQL Server counts them.
void fnLen(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char *s = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    std::string_view v(s ? s : "");
    while (!v.empty() && v.back() == ' ')
        v.remove_suffix(1);
    std::int64_t n = 0;
    for (unsigned char c : v)
        if ((c & 0xC0) != 0x80)
            ++n;
    sqlite3_result_int64(ctx, n);
}

void fnCharIndex(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string needle(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])));
    std::string hay(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])));
    auto pos = hay.find(needle);
    if (pos == std::string::npos) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    std::int64_t n = 1;
    for (std::size_t k = 0; k < pos; ++k)
        if ((static_cast<unsigned char>(hay[k]) & 0xC0) != 0x80)
            ++n;
    sqlite3_result_int64(ctx, n);
}

void destroyName(void *p) { delete static_cast<std::function<std::string()> *>(p); }

} // namespace

void registerTsqlFunctions(sqlite3 *db, std::function<std::string()> currentDatabase)
{
    auto *name = new std::function<std::string()>(std::move(currentDatabase));
    sqlite3_create_function_v2(db, "db_name", 0, SQLITE_UTF8, name, fnDbName, nullptr, nullptr, destroyName);
    sqlite3_create_function_v2(db, "db_name", 1, SQLITE_UTF8, name, fnDbName, nullptr, nullptr, nullptr);
    sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8, nullptr, fnGetDate, nullptr, nullptr);
    sqlite3_create_function(db, "getutcdate", 0, SQLITE_UTF8, db, fnGetDate, nullptr, nullptr);
    sqlite3_create_function(db, "len", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnLen, nullptr, nullptr);
    sqlite3_create_function(db, "charindex", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnCharIndex, nullptr, nullptr);
    registerExactSum(db);
}

} // namespace yorsabat::standin
