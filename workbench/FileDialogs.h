#pragma once

#include <QString>

#include <optional>

namespace yorsabat::workbench {

// The script file dialogs. Each returns the confirmed file name, or nothing
// when the user cancelled. `proposed` is the name the dialog starts with
// (empty: none). The window implementation uses QFileDialog; tests answer
// without a modal dialog.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFileName(const QString &proposed) = 0;
    virtual std::optional<QString> saveFileName(const QString &proposed) = 0;
};

} // namespace yorsabat::workbench
