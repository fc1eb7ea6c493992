#pragma once

#include <QString>

#include <memory>

class QTemporaryFile;

namespace yorsabat::reports {

// A file written under a temporary name beside its final path and renamed
// over it only by commit(): a failure never leaves a truncated file nor
// destroys the previous one. Without commit() the temporary file is removed.
class ReplacingFile
{
public:
    // Reserves the temporary name now, so an unwritable folder fails before
    // any work is done. Raises yorsabat::Error naming the path.
    explicit ReplacingFile(const QString &finalPath);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    QString finalPath() const { return m_finalPath; }
    QString temporaryPath() const;

    // Renames the temporary file over the final path (replacing an existing
    // file in one step). Raises yorsabat::Error naming the path.
    void commit();

private:
    QString m_finalPath;
    std::unique_ptr<QTemporaryFile> m_temporary;
    bool m_committed = false;
};

} // namespace yorsabat::reports
