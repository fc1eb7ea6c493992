#include "reports/ReplacingFile.h"

#include "shell/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace yorsabat::reports {
namespace {

std::filesystem::path nativePath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace

ReplacingFile::ReplacingFile(const QString &finalPath)
    : m_finalPath(finalPath)
{
    const QFileInfo info(finalPath);
    m_temporary = std::make_unique<QTemporaryFile>(
        info.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + info.fileName()
        + QLatin1String(".XXXXXX"));
    if (!m_temporary->open())
        throw Error(QStringLiteral("Cannot write '%1': %2")
                        .arg(QDir::toNativeSeparators(finalPath), m_temporary->errorString()));
    // Temporary files are private to their owner; the report is not.
    const QFile::Permissions permissions = info.exists()
        ? QFile::permissions(finalPath)
        : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    m_temporary->setPermissions(permissions);
    // Only the name is needed; the writer opens the file itself.
    m_temporary->close();
}

ReplacingFile::~ReplacingFile()
{
    if (m_committed)
        m_temporary->setAutoRemove(false); // renamed away: nothing left to remove
}

QString ReplacingFile::temporaryPath() const
{
    return m_temporary->fileName();
}

void ReplacingFile::commit()
{
    std::error_code error;
    std::filesystem::rename(nativePath(m_temporary->fileName()), nativePath(m_finalPath), error);
    if (error)
        throw Error(QStringLiteral("Cannot write '%1': %2")
                        .arg(QDir::toNativeSeparators(m_finalPath),
                             QString::fromLocal8Bit(error.message())));
    m_committed = true;
}

} // namespace yorsabat::reports
