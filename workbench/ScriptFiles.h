#pragma once

#include "workbench/ScriptEncoding.h"

#include <QString>

namespace yorsabat {
class Editor;
}

namespace yorsabat::workbench {

class FileDialogs;

// "Yeni", "Aç" and "Kaydet": the editor's text as a script file.
//
// Each dialog remembers the last name confirmed in it; "Kaydet" proposes the
// loaded file's name once a file was loaded. The text is saved in the
// encoding of the file it came from (new text: UTF-8), with CR LF between
// lines, through a temporary file renamed into place, so a failed save never
// harms the existing file.
class ScriptFiles
{
public:
    ScriptFiles(Editor &editor, FileDialogs &dialogs);

    void YeniClick();
    void AcClick();
    void KaydetClick();

    QString openName() const { return m_openName; }
    QString saveName() const { return m_saveName; }
    ScriptEncoding encoding() const { return m_encoding; }

    // The building blocks, usable without dialogs. Both raise yorsabat::Error.
    static DecodedScript readScript(const QString &fileName);
    static ScriptEncoding writeScript(const QString &fileName, const QString &text, ScriptEncoding encoding);

private:
    Editor &m_editor;
    FileDialogs &m_dialogs;
    QString m_openName;
    QString m_saveName;
    ScriptEncoding m_encoding = ScriptEncoding::Utf8;
};

} // namespace yorsabat::workbench
