#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace yorsabat::testing {

// Runs a test in a fresh working directory, where the settings file and the
// workbooks go, and goes back afterwards.
struct InTemporaryDirectory
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    InTemporaryDirectory() { QDir::setCurrent(dir.path()); }
    ~InTemporaryDirectory() { QDir::setCurrent(previous); }
    QString file() const { return dir.filePath(QStringLiteral("Yorsabat.INI")); }
};

} // namespace yorsabat::testing
