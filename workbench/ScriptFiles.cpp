#include "workbench/ScriptFiles.h"

#include "shell/Error.h"
#include "shell/Ports.h"
#include "workbench/FileDialogs.h"

#include <QFile>
#include <QSaveFile>

namespace yorsabat::workbench {

ScriptFiles::ScriptFiles(Editor &editor, FileDialogs &dialogs)
    : m_editor(editor)
    , m_dialogs(dialogs)
{
}

void ScriptFiles::YeniClick()
{
    m_editor.clear();
    m_encoding = ScriptEncoding::Utf8;
}

void ScriptFiles::AcClick()
{
    const std::optional<QString> name = m_dialogs.openFileName(m_openName);
    if (!name)
        return;
    // The dialog keeps the confirmed name even when reading then fails.
    m_openName = *name;
    DecodedScript script = readScript(*name);
    m_editor.setText(script.text);
    m_encoding = script.encoding;
}

void ScriptFiles::KaydetClick()
{
    const QString proposed = m_openName.isEmpty() ? m_saveName : m_openName;
    const std::optional<QString> name = m_dialogs.saveFileName(proposed);
    if (!name)
        return;
    m_saveName = *name;
    m_encoding = writeScript(*name, m_editor.text(), m_encoding);
}

DecodedScript ScriptFiles::readScript(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
    return decodeScript(bytes);
}

ScriptEncoding ScriptFiles::writeScript(const QString &fileName, const QString &text, ScriptEncoding encoding)
{
    ScriptEncoding written = encoding;
    const QByteArray bytes = encodeScript(text, encoding, &written);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
    return written;
}

} // namespace yorsabat::workbench
