#include "tests/support/StandinServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace yorsabat::testing {

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int seedTimeoutMs = 120000;
constexpr int stopTimeoutMs = 5000;

// The server's output goes to files beside the data folder, not to pipes: a
// test blocked in a driver call does not drain pipes, and a full pipe would
// stall the server.
QString stdoutFile(const QTemporaryDir &dir) { return dir.filePath(QStringLiteral("server.out")); }
QString stderrFile(const QTemporaryDir &dir) { return dir.filePath(QStringLiteral("server.err")); }
QString seedLogFile(const QTemporaryDir &dir) { return dir.filePath(QStringLiteral("seed.log")); }

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

StandinServer::StandinServer() : StandinServer(Options{}) {}

StandinServer::StandinServer(const Options &options) : m_options(options) {}

StandinServer::~StandinServer()
{
    stop();
}

QString StandinServer::executablePath()
{
    return QStringLiteral(YORSABAT_STANDIN_PATH);
}

bool StandinServer::start()
{
    stop();
    m_error.clear();

    const QString program = executablePath();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("the stand-in server is not built (%1)").arg(program);
        return false;
    }

    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid() || !QDir(m_dir->path()).mkpath(QStringLiteral("data"))) {
        m_error = QStringLiteral("cannot create a temporary data folder: %1").arg(m_dir->errorString());
        return false;
    }

    if (m_options.seedDemo) {
        QStringList args{QStringLiteral("--data"), dataDir(), QStringLiteral("--seed-demo")};
        if (m_options.demoRows > 0)
            args << QStringLiteral("--rows") << QString::number(m_options.demoRows);
        QProcess seed;
        seed.setStandardOutputFile(QProcess::nullDevice());
        seed.setStandardErrorFile(seedLogFile(*m_dir));
        seed.start(program, args);
        if (!seed.waitForFinished(seedTimeoutMs)) {
            seed.kill();
            seed.waitForFinished();
            m_error = QStringLiteral("seeding the demo instance did not finish: %1").arg(seed.errorString());
            return false;
        }
        if (seed.exitStatus() != QProcess::NormalExit || seed.exitCode() != 0) {
            m_error = QStringLiteral("seeding the demo instance failed (exit code %1): %2")
                          .arg(seed.exitCode())
                          .arg(readText(seedLogFile(*m_dir)).trimmed());
            return false;
        }
    }

    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(stdoutFile(*m_dir));
    m_process->setStandardErrorFile(stderrFile(*m_dir));
    QStringList args{QStringLiteral("--data"), dataDir(), QStringLiteral("--port"), QStringLiteral("0"),
                     QStringLiteral("--listen"), QStringLiteral("127.0.0.1")};
    args << m_options.extraArguments;
    m_process->start(program, args);
    if (!m_process->waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start the stand-in server: %1").arg(m_process->errorString());
        m_process.reset();
        return false;
    }

    static const QRegularExpression listening(QStringLiteral("^listening on (\\S+):(\\d+)\\r?$"),
                                              QRegularExpression::MultilineOption);
    const QDeadlineTimer deadline(startTimeoutMs);
    for (;;) {
        const QRegularExpressionMatch match = listening.match(readText(stdoutFile(*m_dir)));
        if (match.hasMatch()) {
            bool ok = false;
            const uint port = match.captured(2).toUInt(&ok);
            if (ok && port > 0 && port <= 65535) {
                m_port = quint16(port);
                return true;
            }
        }
        if (m_process->state() == QProcess::NotRunning) {
            m_error = QStringLiteral("the stand-in server stopped before listening (exit code %1): %2")
                          .arg(m_process->exitCode())
                          .arg(standardError().trimmed());
            break;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("the stand-in server did not report its port within %1 s: %2")
                          .arg(startTimeoutMs / 1000)
                          .arg(standardError().trimmed());
            break;
        }
        m_process->waitForFinished(20); // a short sleep that also notices an early exit
    }
    stop();
    return false;
}

void StandinServer::stop()
{
    if (m_process) {
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate(); // SIGTERM: lets it close its databases cleanly
            if (!m_process->waitForFinished(stopTimeoutMs)) {
                m_process->kill();
                m_process->waitForFinished(stopTimeoutMs);
            }
        }
        m_process.reset();
    }
    m_port = 0;
}

QString StandinServer::dataDir() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("data")) : QString();
}

quint16 StandinServer::port() const
{
    return m_port;
}

QString StandinServer::errorText() const
{
    return m_error;
}

QString StandinServer::standardError() const
{
    return m_dir ? readText(stderrFile(*m_dir)) : QString();
}

QString StandinServer::odbcConnectionString(const QString &database) const
{
    QString text = QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;UID=sa;PWD=vqx;"
                                  "TDS_Version=7.4;ClientCharset=UTF-8;")
                       .arg(m_port);
    if (!database.isEmpty())
        text += QStringLiteral("Database={%1};").arg(database);
    return text;
}

QString StandinServer::oleDbConnectionString() const
{
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=vqx;"
                          "Data Source=127.0.0.1,%1")
        .arg(m_port);
}

} // namespace yorsabat::testing
