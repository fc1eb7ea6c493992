#include "workbench/ScriptFileDialogs.h"

#include <QFileDialog>

namespace yorsabat::workbench {

ScriptFileDialogs::ScriptFileDialogs(QWidget *parent)
    : m_parent(parent)
{
}

std::optional<QString> ScriptFileDialogs::openFileName(const QString &proposed)
{
    return ask(false, proposed);
}

std::optional<QString> ScriptFileDialogs::saveFileName(const QString &proposed)
{
    return ask(true, proposed);
}

std::optional<QString> ScriptFileDialogs::ask(bool save, const QString &proposed)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("SQL"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

} // namespace yorsabat::workbench
