#pragma once

#include "workbench/FileDialogs.h"

class QWidget;

namespace yorsabat::workbench {

// The script file dialogs over QFileDialog: default suffix "SQL", no prompt
// before overwriting, no check that a file to open exists. QFileDialog never
// changes the working directory, so the settings file and the reports stay
// where they were.
class ScriptFileDialogs : public FileDialogs
{
public:
    explicit ScriptFileDialogs(QWidget *parent);

    std::optional<QString> openFileName(const QString &proposed) override;
    std::optional<QString> saveFileName(const QString &proposed) override;

private:
    std::optional<QString> ask(bool save, const QString &proposed);

    QWidget *m_parent;
};

} // namespace yorsabat::workbench
