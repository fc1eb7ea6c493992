#pragma once

#include <QString>
#include <exception>
#include <string>

namespace yorsabat {

// The one kind of error every command raises. It ends the running command at
// the failing step; the main window's error wrapper shows its message in the
// error box and the tool goes on. Nothing catches it in between.
class Error : public std::exception
{
public:
    explicit Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

} // namespace yorsabat
