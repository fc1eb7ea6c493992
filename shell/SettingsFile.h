#pragma once

#include <QString>
#include <QStringView>

namespace yorsabat {

// A Windows initialisation file ("[Section]" lines, then "Key=Value" lines),
// read and written byte-compatibly with the Windows profile-file functions:
// section and key names match case-insensitively and with surrounding blanks
// ignored; a value is trimmed, and one pair of matching quotes around it is
// removed.
//
// Text encoding: each line is read as UTF-8 when it is valid UTF-8, else as
// Windows-1254 (what Turkish Windows tools write). A write keeps the file's
// encoding: UTF-8 when the whole file is valid UTF-8 (a new file is UTF-8),
// else Windows-1254, falling back to UTF-8 for a value that has letters outside
// Windows-1254, which the per-line reading still gets back exactly.
//
// Opening touches nothing; each write goes to disk at once, replacing only the
// value of that key in its own line and keeping every other byte of the file.
class SettingsFile
{
public:
    // The settings file of the current working directory, asked for anew at
    // each call: the directory, the platform's separator, "Yorsabat.INI".
    static QString pathInWorkingDirectory();

    explicit SettingsFile(QString path);

    const QString &path() const { return m_path; }

    // The stored value; fallback when the file, section or key is missing.
    // Never fails and creates nothing. A key present with no value gives "".
    QString read(QStringView section, QStringView key, const QString &fallback) const;

    // Stores the value under the key, creating file and section when missing.
    // The file is written to a temporary name and renamed into place; a new
    // file is readable and writable by its owner only (it holds a password).
    // Raises yorsabat::Error("Unable to write to " + path) when refused.
    void write(QStringView section, QStringView key, const QString &value) const;

private:
    [[noreturn]] void failWrite() const;

    QString m_path;
};

} // namespace yorsabat
