#pragma once

#include "shell/Error.h"

#include <QString>

#include <exception>
#include <utility>

namespace yorsabat {

// Where the error wrapper shows a message: the modal error box in the program,
// a recorder in tests.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    virtual void showError(const QString &message) = 0;
};

// Runs one command; whatever leaves it is shown through the reporter and goes
// no further. Nothing the command did before the error is undone. Returns
// whether the command ran to its end.
template <typename Command>
bool runGuarded(ErrorReporter &reporter, Command &&command) noexcept
{
    try {
        std::forward<Command>(command)();
        return true;
    } catch (const Error &e) {
        reporter.showError(e.message());
    } catch (const std::exception &e) {
        reporter.showError(QString::fromUtf8(e.what()));
    } catch (...) {
        reporter.showError(QString()); // an object that carries no message
    }
    return false;
}

} // namespace yorsabat
