#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "workbench/FileDialogs.h"
#include "workbench/ScriptFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace yorsabat;
using namespace yorsabat::workbench;

namespace {

// Answers each dialog with the next queued name (nullopt: cancel) and records
// what each one proposed.
struct ScriptedDialogs : FileDialogs
{
    QList<std::optional<QString>> openAnswers;
    QList<std::optional<QString>> saveAnswers;
    QStringList openProposals;
    QStringList saveProposals;

    std::optional<QString> openFileName(const QString &proposed) override
    {
        openProposals << proposed;
        return openAnswers.takeFirst();
    }
    std::optional<QString> saveFileName(const QString &proposed) override
    {
        saveProposals << proposed;
        return saveAnswers.takeFirst();
    }
};

QByteArray readAll(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeAll(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QString kTurkish = QStringLiteral("ğüşıöçĞÜŞİÖÇ");
const QByteArray kTurkish1254("\xF0\xFC\xFE\xFD\xF6\xE7\xD0\xDC\xDE\xDD\xD6\xC7");

} // namespace

class ScriptFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void loadAndSave_data();
    void loadAndSave();
    void textThatNoLongerFitsWindows1254IsSavedAsUtf8();
    void newTextIsSavedAsUtf8();
    void everyByteSurvivesWindows1254();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void rememberedNames();
    void yeniThenKaydetEmptiesTheLoadedFile();
    void unreadableFileLeavesEditorAlone();
    void failedSaveKeepsTheOldFile();
    void unwritableTargetRaises();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

// Load a file's bytes into the editor, then save the editor's text again:
// what the editor shows and what lands on disk.
void ScriptFilesTest::loadAndSave_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("editorText");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("empty") << QByteArray() << QString() << QByteArray();
    QTest::newRow("crlf, last line without break")
        << QByteArray("USE A\r\nSELECT 1") << QStringLiteral("USE A\nSELECT 1") << QByteArray("USE A\r\nSELECT 1");
    QTest::newRow("lf becomes crlf")
        << QByteArray("a\nb\n") << QStringLiteral("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone cr becomes crlf")
        << QByteArray("a\rb") << QStringLiteral("a\nb") << QByteArray("a\r\nb");
    QTest::newRow("mixed breaks, blank lines kept")
        << QByteArray("a\r\n\r\nb\n\rc") << QStringLiteral("a\n\nb\n\nc") << QByteArray("a\r\n\r\nb\r\n\r\nc");
    QTest::newRow("utf-8 turkish")
        << (QByteArray("-- ") + kTurkish.toUtf8() + "\r\nSELECT 'ş'")
        << (QStringLiteral("-- ") + kTurkish + QStringLiteral("\nSELECT 'ş'"))
        << (QByteArray("-- ") + kTurkish.toUtf8() + "\r\nSELECT 'ş'");
    QTest::newRow("utf-8 with bom keeps its bom")
        << (QByteArray("\xEF\xBB\xBF") + kTurkish.toUtf8() + "\nx")
        << (kTurkish + QStringLiteral("\nx"))
        << (QByteArray("\xEF\xBB\xBF") + kTurkish.toUtf8() + "\r\nx");
    QTest::newRow("windows-1254 turkish stays windows-1254")
        << (QByteArray("UPDATE T SET A='") + kTurkish1254 + "'\n")
        << (QStringLiteral("UPDATE T SET A='") + kTurkish + QStringLiteral("'\n"))
        << (QByteArray("UPDATE T SET A='") + kTurkish1254 + "'\r\n");
    QTest::newRow("windows-1254 euro and quotes")
        << QByteArray("\x80 \x93x\x94") << QStringLiteral("€ “x”") << QByteArray("\x80 \x93x\x94");
    QTest::newRow("truncated utf-8 sequence reads as windows-1254")
        << QByteArray("a\xC3") << QStringLiteral("aÃ") << QByteArray("a\xC3");
}

void ScriptFilesTest::loadAndSave()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, editorText);
    QFETCH(QByteArray, saved);

    const QString source = path(QStringLiteral("in.sql"));
    const QString target = path(QStringLiteral("out.sql"));
    writeAll(source, file);
    QFile::remove(target);

    plain::Editor editor;
    editor.setText(QStringLiteral("old text"));
    ScriptedDialogs dialogs;
    dialogs.openAnswers << source;
    dialogs.saveAnswers << target;
    ScriptFiles files(editor, dialogs);

    files.AcClick();
    QCOMPARE(editor.text(), editorText);
    files.KaydetClick();
    QCOMPARE(readAll(target), saved);

    // And the saved file reads back to the same text.
    QCOMPARE(ScriptFiles::readScript(target).text, editorText);
}

void ScriptFilesTest::textThatNoLongerFitsWindows1254IsSavedAsUtf8()
{
    const QString source = path(QStringLiteral("legacy.sql"));
    writeAll(source, QByteArray("SELECT '") + kTurkish1254 + "'");
    plain::Editor editor;
    ScriptedDialogs dialogs;
    dialogs.openAnswers << source;
    dialogs.saveAnswers << source;
    ScriptFiles files(editor, dialogs);
    files.AcClick();
    QCOMPARE(files.encoding(), ScriptEncoding::Windows1254);

    editor.setText(editor.text() + QStringLiteral(" -- ✓ Ω"));
    files.KaydetClick();
    const QByteArray bytes = readAll(source);
    QCOMPARE(bytes, (QStringLiteral("SELECT '") + kTurkish + QStringLiteral("' -- ✓ Ω")).toUtf8());
    QCOMPARE(ScriptFiles::readScript(source).text, editor.text());
}

void ScriptFilesTest::newTextIsSavedAsUtf8()
{
    // Even after a Windows-1254 file was loaded, "Yeni" starts a UTF-8 text.
    const QString source = path(QStringLiteral("legacy2.sql"));
    const QString target = path(QStringLiteral("new.sql"));
    writeAll(source, kTurkish1254);
    plain::Editor editor;
    ScriptedDialogs dialogs;
    dialogs.openAnswers << source;
    dialogs.saveAnswers << target;
    ScriptFiles files(editor, dialogs);
    files.AcClick();
    files.YeniClick();
    editor.addLine(kTurkish);
    files.KaydetClick();
    QCOMPARE(readAll(target), kTurkish.toUtf8());
}

void ScriptFilesTest::everyByteSurvivesWindows1254()
{
    // Any file that is not UTF-8 goes through the editor byte for byte, the
    // code page's unassigned bytes and control characters included.
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all.append(char(b));
    }
    const DecodedScript decoded = decodeScript(all);
    QCOMPARE(decoded.encoding, ScriptEncoding::Windows1254);
    QCOMPARE(decoded.text.size(), all.size());
    QCOMPARE(encodeScript(decoded.text, decoded.encoding), all);
}

void ScriptFilesTest::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("Aç") << false;
    QTest::newRow("Kaydet") << true;
}

void ScriptFilesTest::cancelledDialogsChangeNothing()
{
    QFETCH(bool, save);
    const QString first = path(QStringLiteral("first.sql"));
    writeAll(first, "SELECT 1");
    plain::Editor editor;
    ScriptedDialogs dialogs;
    dialogs.openAnswers << first << std::nullopt;
    dialogs.saveAnswers << std::nullopt;
    ScriptFiles files(editor, dialogs);
    files.AcClick();
    editor.setText(QStringLiteral("edited"));
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);

    if (save)
        files.KaydetClick();
    else
        files.AcClick();

    QCOMPARE(editor.text(), QStringLiteral("edited"));
    QCOMPARE(readAll(first), QByteArray("SELECT 1"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
    QCOMPARE(files.openName(), first);
    QCOMPARE(files.saveName(), QString());
}

void ScriptFilesTest::rememberedNames()
{
    const QString loaded = path(QStringLiteral("loaded.sql"));
    const QString other = path(QStringLiteral("other.sql"));
    const QString third = path(QStringLiteral("third.sql"));
    writeAll(loaded, "SELECT 1");
    plain::Editor editor;
    ScriptedDialogs dialogs;
    ScriptFiles files(editor, dialogs);

    // Nothing loaded or saved yet: no name proposed; then the save dialog
    // proposes its own last name.
    dialogs.saveAnswers << other << std::nullopt;
    files.KaydetClick();
    files.KaydetClick();
    QCOMPARE(dialogs.saveProposals, (QStringList{QString(), other}));

    // Once a file was loaded, "Kaydet" proposes it, even after saving elsewhere.
    dialogs.openAnswers << loaded << std::nullopt;
    dialogs.saveAnswers << third << loaded;
    files.AcClick();
    files.KaydetClick();
    files.KaydetClick();
    QCOMPARE(dialogs.saveProposals.mid(2), (QStringList{loaded, loaded}));
    QCOMPARE(files.saveName(), loaded);

    // The open dialog proposes its own last name; a cancel keeps it.
    files.AcClick();
    QCOMPARE(dialogs.openProposals, (QStringList{QString(), loaded}));
    QCOMPARE(files.openName(), loaded);
    QCOMPARE(readAll(third), QByteArray("SELECT 1"));
}

void ScriptFilesTest::yeniThenKaydetEmptiesTheLoadedFile()
{
    const QString loaded = path(QStringLiteral("toempty.sql"));
    writeAll(loaded, "SELECT 1\r\nSELECT 2");
    plain::Editor editor;
    ScriptedDialogs dialogs;
    dialogs.openAnswers << loaded;
    dialogs.saveAnswers << loaded;
    ScriptFiles files(editor, dialogs);
    files.AcClick();
    files.YeniClick();
    QCOMPARE(editor.text(), QString());
    files.KaydetClick();
    QCOMPARE(dialogs.saveProposals, QStringList{loaded});
    QCOMPARE(readAll(loaded), QByteArray());
}

void ScriptFilesTest::unreadableFileLeavesEditorAlone()
{
    const QString missing = path(QStringLiteral("missing.sql"));
    plain::Editor editor;
    editor.setText(QStringLiteral("keep me"));
    ScriptedDialogs dialogs;
    dialogs.openAnswers << missing;
    ScriptFiles files(editor, dialogs);
    try {
        files.AcClick();
        QFAIL("reading a missing file must fail");
    } catch (const Error &e) {
        QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
    }
    QCOMPARE(editor.text(), QStringLiteral("keep me"));
}

void ScriptFilesTest::failedSaveKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write fail half-way, as a full disk would.
    const QString target = path(QStringLiteral("precious.sql"));
    writeAll(target, "SELECT 'old'");
    plain::Editor editor;
    editor.setText(QString(64 * 1024, QLatin1Char('x')));
    ScriptedDialogs dialogs;
    dialogs.saveAnswers << target;
    ScriptFiles files(editor, dialogs);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        files.KaydetClick();
    } catch (const Error &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);

    QVERIFY2(message.contains(target), qPrintable(message));
    QCOMPARE(readAll(target), QByteArray("SELECT 'old'"));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("precious*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("precious.sql")});
#else
    QSKIP("needs a file size limit");
#endif
}

void ScriptFilesTest::unwritableTargetRaises()
{
    const QString target = path(QStringLiteral("no-such-folder/x.sql"));
    plain::Editor editor;
    editor.setText(QStringLiteral("SELECT 1"));
    ScriptedDialogs dialogs;
    dialogs.saveAnswers << target;
    ScriptFiles files(editor, dialogs);
    QVERIFY_THROWS_EXCEPTION(Error, files.KaydetClick());
    QCOMPARE(editor.text(), QStringLiteral("SELECT 1"));
    QVERIFY(!QFile::exists(target));
}

QTEST_GUILESS_MAIN(ScriptFilesTest)
#include "tst_scriptFiles.moc"
