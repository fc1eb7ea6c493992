#pragma once

#include <QByteArray>
#include <QString>

namespace yorsabat::server {

// The UDP port the SQL Server Browser is asked on: 1434, or the port in the
// environment variable YORSABAT_BROWSER_PORT (for tests, which cannot use 1434).
int sqlBrowserPort();

// The TCP port of a named instance, from one SQL Server Browser request
// (MC-SQLR CLNT_UCAST_INST) to the host, waiting at most timeoutMs for the
// answer. Raises yorsabat::Error when no answer comes in time, the instance is
// unknown there, or it does not listen on TCP.
int resolveInstancePort(const QString &host, const QString &instance, int timeoutMs = 1000);

// The TCP port that a Browser answer (SVR_RESP) gives for the instance;
// -1 when the answer does not name it, 0 when it names it without TCP.
int parseBrowserAnswer(const QByteArray &answer, const QString &instance);

} // namespace yorsabat::server
