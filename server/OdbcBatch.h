#pragma once

#include "server/ResultSet.h"

#include <QString>

#include <memory>

namespace yorsabat::server {

class OdbcConnection;

// Sends one SQL text as a single batch and reads through every result it
// returns. With keepFirstRows the first result that has columns is read into
// a ResultSet and returned; every other result is drained and dropped.
// The first error of any statement is raised after the whole batch has been
// drained, so the connection is free for the next statement either way.
std::unique_ptr<ResultSet> odbcRunBatch(OdbcConnection &connection, const QString &sql, bool keepFirstRows);

} // namespace yorsabat::server
