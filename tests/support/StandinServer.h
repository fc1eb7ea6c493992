#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace yorsabat::testing {

// Runs the stand-in SQL Server for one test: a fresh data folder, a free port
// on 127.0.0.1, stopped (SIGTERM, then killed) when the object goes.
class StandinServer
{
public:
    struct Options
    {
        bool seedDemo = false;     // write the demo instance first (--seed-demo)
        int demoRows = 0;          // --rows N with seedDemo; 0: the default size
        QStringList extraArguments; // --login, fault options, --browser-port ...
    };

    StandinServer();
    explicit StandinServer(const Options &options);
    ~StandinServer();

    // Starts it and waits for "listening on ADDR:PORT"; false with errorText() set on failure.
    bool start();
    void stop();

    QString dataDir() const;
    quint16 port() const;
    QString errorText() const;
    QString standardError() const; // what the server wrote to stderr so far (kept after stop())

    // Connection strings for the default login sa / vqx.
    // ODBC, FreeTDS driver: "Driver={FreeTDS};Server=127.0.0.1;Port=N;UID=sa;PWD=vqx;TDS_Version=7.4;ClientCharset=UTF-8;"
    // followed by "Database={name};" when a database is given.
    QString odbcConnectionString(const QString &database = {}) const;
    // The tool's own (OLE DB) form: "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=vqx;Data Source=127.0.0.1,N"
    QString oleDbConnectionString() const;

    static QString executablePath(); // the built yorsabat-standin

private:
    Options m_options;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace yorsabat::testing
