#include "tests/support/InTemporaryDirectory.h"
#include "shell/Error.h"
#include "shell/PlainPorts.h"
#include "shell/Settings.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using yorsabat::SettingsFile;

using yorsabat::testing::InTemporaryDirectory;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}


} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void roundTrip_data();
    void roundTrip();
    void newFileIsPrivate();
    void refusedWrite_data();
    void refusedWrite();
    void removedWorkingDirectory();
    void pathFollowsWorkingDirectory();
    void loadShowsDefaultsAndCreatesNothing();
    void loadKeepsEmptyAndTypedValues();
    void saveLoginAndYear();
};

void TestSettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no file") << QByteArray() << "Sunucu" << "default";
    QTest::newRow("other section only") << QByteArray("[Genel]\r\nSunucu=x\r\n") << "Sunucu" << "default";
    QTest::newRow("key missing") << QByteArray("[MSSQL]\r\nKullanici=sa\r\n") << "Sunucu" << "default";
    QTest::newRow("empty value is not the default") << QByteArray("[MSSQL]\r\nParola=\r\n") << "Parola" << "";
    QTest::newRow("backslash kept") << QByteArray("[MSSQL]\r\nSunucu=.\\VEZ\r\n") << "Sunucu" << ".\\VEZ";
    QTest::newRow("names any case, blanks trimmed")
        << QByteArray("[ mssql ]\r\n  sUNUCU  =  db01\\X  \r\n") << "Sunucu" << "db01\\X";
    QTest::newRow("line feeds only") << QByteArray("[MSSQL]\nNO=2023\n") << "NO" << "2023";
    QTest::newRow("no final line end") << QByteArray("[MSSQL]\r\nNO=2023") << "NO" << "2023";
    QTest::newRow("quotes around value removed")
        << QByteArray("[MSSQL]\r\nParola=\" a b \"\r\n") << "Parola" << " a b ";
    QTest::newRow("equals sign inside value") << QByteArray("[MSSQL]\r\nParola=a=b\r\n") << "Parola" << "a=b";
    QTest::newRow("key of a later section")
        << QByteArray("[MSSQL]\r\nNO=1\r\n[Diger]\r\nSunucu=x\r\n") << "Sunucu" << "default";
    QTest::newRow("first of two sections")
        << QByteArray("[MSSQL]\r\nNO=1\r\n[MSSQL]\r\nNO=2\r\n") << "NO" << "1";
    QTest::newRow("comment line") << QByteArray("[MSSQL]\r\n;NO=1\r\n") << ";NO" << "default";
    QTest::newRow("Windows-1254 letters")
        << QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\xFD\xF0\r\n") << "Kullanici" << QStringLiteral("Şahinığ");
    QTest::newRow("UTF-8 letters")
        << QByteArray("[MSSQL]\r\nKullanici=Şahinığ\r\n") << "Kullanici" << QStringLiteral("Şahinığ");
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF[MSSQL]\r\nNO=2022\r\n") << "NO" << "2022";
}

void TestSettingsFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    InTemporaryDirectory wd;
    if (!content.isNull())
        writeBytes(wd.file(), content);
    const SettingsFile file(wd.file());
    QCOMPARE(file.read(u"MSSQL", key, QStringLiteral("default")), expected);
    QCOMPARE(QFileInfo::exists(wd.file()), !content.isNull()); // reading creates nothing
}

void TestSettingsFile::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "NO" << "2024" << QByteArray("[MSSQL]\r\nNO=2024\r\n");
    QTest::newRow("backslash stored as is")
        << QByteArray() << "Sunucu" << ".\\VEZ" << QByteArray("[MSSQL]\r\nSunucu=.\\VEZ\r\n");
    QTest::newRow("value replaced in its own line, all else kept")
        << QByteArray("; not\r\n[Genel]\r\nA=1\r\n\r\n[MSSQL]\r\nSunucu=eski\r\n  no = 2023 \r\nX=y\r\n\r\n[Son]\r\nB=2")
        << "NO" << "2025"
        << QByteArray("; not\r\n[Genel]\r\nA=1\r\n\r\n[MSSQL]\r\nSunucu=eski\r\n  no =2025\r\nX=y\r\n\r\n[Son]\r\nB=2");
    QTest::newRow("new key at the end of its section")
        << QByteArray("[MSSQL]\r\nSunucu=x\r\n\r\n[Son]\r\nB=2\r\n") << "NO" << "2024"
        << QByteArray("[MSSQL]\r\nSunucu=x\r\nNO=2024\r\n\r\n[Son]\r\nB=2\r\n");
    QTest::newRow("new key after a last line without line end")
        << QByteArray("[MSSQL]\r\nSunucu=x") << "NO" << "2024" << QByteArray("[MSSQL]\r\nSunucu=x\r\nNO=2024\r\n");
    QTest::newRow("new section follows the file's line ends")
        << QByteArray("[Genel]\nA=1") << "NO" << "2024" << QByteArray("[Genel]\nA=1\n[MSSQL]\nNO=2024\n");
    QTest::newRow("empty value") << QByteArray("[MSSQL]\r\nNO=2024\r\n") << "NO" << "" << QByteArray("[MSSQL]\r\nNO=\r\n");
    QTest::newRow("Windows-1254 file stays Windows-1254")
        << QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\r\nParola=x\r\n") << "Parola" << QStringLiteral("Işık")
        << QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\r\nParola=I\xFE\xFDk\r\n");
    QTest::newRow("UTF-8 file stays UTF-8")
        << QByteArray("[MSSQL]\r\nKullanici=Şahin\r\n") << "Parola" << QStringLiteral("Işık")
        << QByteArray("[MSSQL]\r\nKullanici=Şahin\r\nParola=Işık\r\n");
    QTest::newRow("letters outside Windows-1254 in UTF-8")
        << QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\r\n") << "Parola" << QStringLiteral("пароль")
        << QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\r\nParola=") + QStringLiteral("пароль").toUtf8() + "\r\n";
    QTest::newRow("blanks at the ends kept by quotes")
        << QByteArray() << "Parola" << " pa ss " << QByteArray("[MSSQL]\r\nParola=\" pa ss \"\r\n");
}

void TestSettingsFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    InTemporaryDirectory wd;
    if (!before.isNull())
        writeBytes(wd.file(), before);
    SettingsFile(wd.file()).write(u"MSSQL", key, value);
    QCOMPARE(readBytes(wd.file()), after);
    QCOMPARE(QDir(wd.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Yorsabat.INI"});
}

void TestSettingsFile::roundTrip_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");
    const QList<QByteArray> files{QByteArray(), QByteArray("[MSSQL]\r\nKullanici=\xDE" "ahin\r\n")};
    const QStringList values{"", ".\\VEZ", " lead", "trail\t", "\"quoted\"", "'q'", "a\"b", "x=y; z",
                             QStringLiteral("Şifre;ğüİıÇ"), QStringLiteral("日本"), "\"", QString(300, u'ş')};
    for (const QByteArray &file : files)
        for (const QString &value : values)
            QTest::addRow("%s file, %s", file.isNull() ? "new" : "Windows-1254", qPrintable(value.left(12)))
                << file << value;
}

void TestSettingsFile::roundTrip()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    InTemporaryDirectory wd;
    if (!before.isNull())
        writeBytes(wd.file(), before);
    const SettingsFile file(wd.file());
    file.write(u"MSSQL", u"Parola", value);
    QCOMPARE(file.read(u"MSSQL", u"Parola", QStringLiteral("default")), value);
    if (!before.isNull()) // the other line still reads as before
        QCOMPARE(file.read(u"MSSQL", u"Kullanici", QString()), QStringLiteral("Şahin"));
}

void TestSettingsFile::newFileIsPrivate()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX permission bits");
#else
    InTemporaryDirectory wd;
    const mode_t oldMask = ::umask(022);
    SettingsFile(wd.file()).write(u"MSSQL", u"Parola", QStringLiteral("gizli"));
    struct stat st{};
    QCOMPARE(::stat(QFile::encodeName(wd.file()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));

    // A file the user made readable to others stays as the user set it.
    QVERIFY(::chmod(QFile::encodeName(wd.file()).constData(), 0644) == 0);
    SettingsFile(wd.file()).write(u"MSSQL", u"NO", QStringLiteral("2024"));
    QCOMPARE(::stat(QFile::encodeName(wd.file()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0644));
    ::umask(oldMask);
#endif
}

void TestSettingsFile::refusedWrite_data()
{
    QTest::addColumn<bool>("throughSettings");
    QTest::newRow("settings file object") << false;
    QTest::newRow("year save") << true;
}

void TestSettingsFile::refusedWrite()
{
    QFETCH(bool, throughSettings);
    // Tests run as root, where permission bits refuse nothing: a folder in the
    // file's place makes the write fail.
    InTemporaryDirectory wd;
    QVERIFY(QDir(wd.dir.path()).mkdir(QStringLiteral("Yorsabat.INI")));
    const QString path = SettingsFile::pathInWorkingDirectory();
    QCOMPARE(QFileInfo(path).canonicalFilePath(), QFileInfo(wd.file()).canonicalFilePath());
    try {
        if (throughSettings)
            yorsabat::settings::saveYear(yorsabat::plain::TextBox(QStringLiteral("2024")));
        else
            SettingsFile(path).write(u"MSSQL", u"NO", QStringLiteral("2024"));
        QFAIL("the write was not refused");
    } catch (const yorsabat::Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + path);
    }
    QCOMPARE(SettingsFile(path).read(u"MSSQL", u"NO", QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(QDir(wd.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Yorsabat.INI"});
}

void TestSettingsFile::removedWorkingDirectory()
{
#ifndef Q_OS_UNIX
    QSKIP("a working directory cannot be removed while in use");
#else
    const QString previous = QDir::currentPath();
    QString gone;
    {
        QTemporaryDir dir;
        gone = dir.path();
        QDir::setCurrent(gone);
    }
    QVERIFY(!QFileInfo::exists(gone));
    const QString path = SettingsFile::pathInWorkingDirectory();
    const bool rootHadFile = QFileInfo::exists(QStringLiteral("/Yorsabat.INI"));
    QString message;
    try {
        SettingsFile(path).write(u"MSSQL", u"NO", QStringLiteral("2024"));
    } catch (const yorsabat::Error &e) {
        message = e.message();
    }
    QDir::setCurrent(previous);
    QVERIFY2(message.startsWith(QStringLiteral("Unable to write to ")), qPrintable(message));
    QVERIFY(message.endsWith(QStringLiteral("Yorsabat.INI")));
    QCOMPARE(QFileInfo::exists(QStringLiteral("/Yorsabat.INI")), rootHadFile);
#endif
}

void TestSettingsFile::pathFollowsWorkingDirectory()
{
    QTemporaryDir a, b;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(a.path());
    const QString inA = SettingsFile::pathInWorkingDirectory();
    QDir::setCurrent(b.path());
    const QString inB = SettingsFile::pathInWorkingDirectory();
    QDir::setCurrent(previous);
    QCOMPARE(inA, QDir::toNativeSeparators(QDir(a.path()).canonicalPath()) + QDir::separator() + "Yorsabat.INI");
    QCOMPARE(inB, QDir::toNativeSeparators(QDir(b.path()).canonicalPath()) + QDir::separator() + "Yorsabat.INI");
}

void TestSettingsFile::loadShowsDefaultsAndCreatesNothing()
{
    InTemporaryDirectory wd;
    yorsabat::plain::TextBox auth, server, user, password, year;
    yorsabat::settings::load(auth, server, user, password, year);
    QCOMPARE(auth.value, QStringLiteral("SQL Server Yetkilendirmesi"));
    QCOMPARE(server.value, QStringLiteral(".\\VEZ"));
    QCOMPARE(user.value, QStringLiteral("sa"));
    QCOMPARE(password.value, QStringLiteral("vqx"));
    QCOMPARE(year.value, QStringLiteral("2024"));
    QVERIFY(!QFileInfo::exists(wd.file()));
}

void TestSettingsFile::loadKeepsEmptyAndTypedValues()
{
    InTemporaryDirectory wd;
    writeBytes(wd.file(), "[MSSQL]\r\nYetkilendirme=Benim yetkim\r\nParola=\r\nNO=\r\n");
    yorsabat::plain::TextBox auth, server, user, password, year;
    yorsabat::settings::load(auth, server, user, password, year);
    QCOMPARE(auth.value, QStringLiteral("Benim yetkim"));
    QCOMPARE(server.value, QStringLiteral(".\\VEZ"));
    QCOMPARE(user.value, QStringLiteral("sa"));
    QCOMPARE(password.value, QString());
    QCOMPARE(year.value, QString());
}

void TestSettingsFile::saveLoginAndYear()
{
    InTemporaryDirectory wd;
    using yorsabat::plain::TextBox;
    yorsabat::settings::saveYear(TextBox(QStringLiteral("2023")));
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=2023\r\n"));
    yorsabat::settings::saveLogin(TextBox(QStringLiteral("Windows Yetkilendirmesi")), TextBox(QStringLiteral(".\\VEZ")),
                                  TextBox(QStringLiteral("sa")), TextBox(QString()));
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=2023\r\nYetkilendirme=Windows Yetkilendirmesi\r\n"
                                              "Sunucu=.\\VEZ\r\nKullanici=sa\r\nParola=\r\n"));
    yorsabat::settings::saveYear(TextBox(QStringLiteral("2024")));
    QCOMPARE(readBytes(wd.file()), QByteArray("[MSSQL]\r\nNO=2024\r\nYetkilendirme=Windows Yetkilendirmesi\r\n"
                                              "Sunucu=.\\VEZ\r\nKullanici=sa\r\nParola=\r\n"));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsFile.moc"
