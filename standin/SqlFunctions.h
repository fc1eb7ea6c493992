#pragma once

#include <functional>
#include <string>

struct sqlite3;

namespace yorsabat::standin {

// The T-SQL functions the stand-in adds to SQLite on db: DB_NAME() (the connection's
// current database, as currentDatabase tells), GETDATE(), GETUTCDATE(), LEN(), CHARINDEX()
// and an exact SUM().
void registerTsqlFunctions(sqlite3 *db, std::function<std::string()> currentDatabase);

} // namespace yorsabat::standin
