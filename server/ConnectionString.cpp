#include "server/ConnectionString.h"

#include "shell/Error.h"

namespace yorsabat::server {

namespace {

QString keyOf(QStringView key)
{
    return key.toString().simplified().toLower();
}

[[noreturn]] void fail(const QString &what)
{
    throw Error(QStringLiteral("Connection string: %1").arg(what));
}

bool isSqlServerProvider(QString provider)
{
    provider = provider.trimmed().toUpper();
    // "SQLOLEDB.1", "SQLNCLI11.1", "MSOLEDBSQL19": a version suffix is allowed.
    const qsizetype dot = provider.indexOf(u'.');
    if (dot >= 0) {
        bool digits = dot + 1 < provider.size();
        for (qsizetype i = dot + 1; i < provider.size(); ++i)
            digits = digits && provider[i].isDigit();
        if (!digits)
            return false;
        provider.truncate(dot);
    }
    static const QStringList known = {QStringLiteral("SQLOLEDB"), QStringLiteral("SQLNCLI"), QStringLiteral("SQLNCLI10"),
                                      QStringLiteral("SQLNCLI11"), QStringLiteral("MSOLEDBSQL"), QStringLiteral("MSOLEDBSQL19")};
    return known.contains(provider);
}

SqlServerAddress parseDataSource(const QString &dataSource)
{
    QString text = dataSource.trimmed();
    if (text.startsWith(QLatin1StringView("tcp:"), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();
    else if (text.startsWith(QLatin1StringView("np:"), Qt::CaseInsensitive) || text.startsWith(QLatin1StringView("lpc:"), Qt::CaseInsensitive)
             || text.startsWith(QLatin1StringView("admin:"), Qt::CaseInsensitive))
        fail(QStringLiteral("Data Source '%1': only TCP connections are supported").arg(dataSource));

    SqlServerAddress address;
    if (const qsizetype comma = text.lastIndexOf(u','); comma >= 0) {
        const QString portText = text.mid(comma + 1).trimmed();
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            fail(QStringLiteral("Data Source '%1': '%2' is not a port number").arg(dataSource, portText));
        address.port = port;
        text = text.left(comma).trimmed();
    }
    if (const qsizetype slash = text.indexOf(u'\\'); slash >= 0) {
        address.instance = text.mid(slash + 1).trimmed();
        text = text.left(slash).trimmed();
        if (address.instance.isEmpty())
            fail(QStringLiteral("Data Source '%1' has no instance name after '\\'").arg(dataSource));
        if (address.instance.compare(QLatin1StringView("MSSQLSERVER"), Qt::CaseInsensitive) == 0)
            address.instance.clear(); // the default instance's own name
    }
    if (text.isEmpty())
        fail(QStringLiteral("Data Source '%1' has no server name").arg(dataSource));
    if (text == u'.' || text.compare(QLatin1StringView("(local)"), Qt::CaseInsensitive) == 0
        || text.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) == 0)
        text = QStringLiteral("127.0.0.1"); // FreeTDS knows neither "." nor "(local)"
    address.host = text;
    return address;
}

bool isTrue(const QString &value, const QString &key)
{
    const QString v = value.trimmed().toLower();
    if (v == u"yes" || v == u"true" || v == u"mandatory" || v == u"strict" || v == u"sspi")
        return true;
    if (v == u"no" || v == u"false" || v == u"optional")
        return false;
    fail(QStringLiteral("'%1' is not a valid value of %2").arg(value, key));
}

// ODBC's quoting: braces around a value that would otherwise end early.
// Microsoft's drivers read "}}" inside braces as one "}"; FreeTDS takes the
// braced text literally up to the first "};", so a value holding "};" cannot
// reach it at all.
QString odbcValue(const QString &value, bool freeTds)
{
    const bool needsBraces = value.contains(u';') || value.startsWith(u'{') || value.contains(u'}')
        || value.startsWith(u' ') || value.endsWith(u' ');
    if (!needsBraces)
        return value;
    if (freeTds) {
        if (value.contains(QLatin1StringView("};")))
            fail(QStringLiteral("a value holding \"};\" cannot be passed to the FreeTDS driver"));
        return u'{' + value + u'}';
    }
    QString escaped = value;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

} // namespace

ConnectionAttributes parseOleDbConnectionString(QStringView text)
{
    ConnectionAttributes pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (text[i] == u';' || text[i].isSpace()))
            ++i;
        if (i >= n)
            break;
        QString key;
        const qsizetype keyStart = i;
        for (;;) {
            if (i >= n || text[i] == u';')
                fail(QStringLiteral("'%1' has no '='").arg(text.mid(keyStart, i - keyStart).trimmed()));
            if (text[i] == u'=') {
                if (i + 1 < n && text[i + 1] == u'=') { // "==": a literal "=" in the key
                    key += u'=';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            key += text[i++];
        }
        key = key.trimmed();
        if (key.isEmpty())
            fail(QStringLiteral("a value has no key"));

        while (i < n && text[i].isSpace() && text[i] != u';')
            ++i;
        QString value;
        if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
            const QChar quote = text[i++];
            bool closed = false;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed)
                fail(QStringLiteral("the value of '%1' has no closing quote").arg(key));
            while (i < n && text[i].isSpace())
                ++i;
            if (i < n && text[i] != u';')
                fail(QStringLiteral("unexpected text after the quoted value of '%1'").arg(key));
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u';')
                ++i;
            value = text.mid(start, i - start).trimmed().toString();
        }
        pairs.append({key, value});
    }
    return pairs;
}

QString quoteOleDbValue(const QString &value)
{
    const bool needsQuotes = value.contains(u';') || value.startsWith(u'"') || value.startsWith(u'\'')
        || value.startsWith(u' ') || value.endsWith(u' ');
    if (!needsQuotes)
        return value;
    // Double quotes, unless the value holds one and no single quote.
    const QChar quote = value.contains(u'"') && !value.contains(u'\'') ? u'\'' : u'"';
    QString escaped = value;
    escaped.replace(quote, QString(2, quote));
    return quote + escaped + quote;
}

bool OdbcConnectionSpec::isFreeTds() const
{
    return driver.compare(QLatin1StringView("FreeTDS"), Qt::CaseInsensitive) == 0;
}

QString OdbcConnectionSpec::toOdbcString() const
{
    const bool freeTds = isFreeTds();
    QString out = QStringLiteral("Driver={") + driver + QStringLiteral("};");
    if (freeTds) {
        if (server.port > 0 || server.instance.isEmpty())
            out += QStringLiteral("Server=") + odbcValue(server.host, true) + QStringLiteral(";Port=")
                + QString::number(server.port > 0 ? server.port : 1433) + u';';
        else // FreeTDS's own lookup, which ignores the login timeout
            out += QStringLiteral("Server=") + odbcValue(server.host + u'\\' + server.instance, true) + u';';
    } else if (server.port > 0) {
        out += QStringLiteral("Server=") + odbcValue(QStringLiteral("tcp:%1,%2").arg(server.host).arg(server.port), false) + u';';
    } else {
        QString s = server.host;
        if (!server.instance.isEmpty())
            s += u'\\' + server.instance;
        out += QStringLiteral("Server=") + odbcValue(s, false) + u';';
    }
    for (const auto &[key, value] : attributes)
        out += key + u'=' + odbcValue(value, freeTds) + u';';
    return out;
}

QString chooseSqlServerDriver(const QStringList &installedDrivers)
{
    for (const QString &candidate : {QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("ODBC Driver 17 for SQL Server")})
        for (const QString &installed : installedDrivers)
            if (installed.compare(candidate, Qt::CaseInsensitive) == 0)
                return installed;
    return QStringLiteral("FreeTDS");
}

OdbcConnectionSpec translateConnectionString(QStringView oleDb, const QStringList &installedDrivers)
{
    OdbcConnectionSpec odbcTarget;
    odbcTarget.driver = chooseSqlServerDriver(installedDrivers);
    const bool freeTds = odbcTarget.isFreeTds();

    // Later keys override earlier ones, as in OLE DB.
    QString dataSource, user, password, database, encrypt, trust, integrated;
    bool haveDataSource = false, haveUser = false, havePassword = false, haveEncrypt = false, haveTrust = false;
    ConnectionAttributes passed;
    auto setPassed = [&](const QString &key, const QString &value) {
        for (auto &p : passed)
            if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
                p.second = value;
                return;
            }
        passed.append({key, value});
    };

    for (const auto &[rawKey, value] : parseOleDbConnectionString(oleDb)) {
        const QString key = keyOf(rawKey);
        if (key == u"provider") {
            if (!value.isEmpty() && !isSqlServerProvider(value))
                fail(QStringLiteral("provider '%1' is not a SQL Server provider").arg(value));
        } else if (key == u"data source" || key == u"server" || key == u"address" || key == u"addr" || key == u"network address") {
            dataSource = value;
            haveDataSource = true;
        } else if (key == u"user id" || key == u"uid" || key == u"user") {
            user = value;
            haveUser = true;
        } else if (key == u"password" || key == u"pwd") {
            password = value;
            havePassword = true;
        } else if (key == u"initial catalog" || key == u"database") {
            database = value;
        } else if (key == u"encrypt" || key == u"use encryption for data") {
            encrypt = value;
            haveEncrypt = true;
        } else if (key == u"trustservercertificate" || key == u"trust server certificate") {
            trust = value;
            haveTrust = true;
        } else if (key == u"integrated security" || key == u"trusted_connection") {
            integrated = value;
        } else if (key == u"persist security info" || key == u"connect timeout" || key == u"connection timeout"
                   || key == u"prompt") {
            // The login timeout is always one second and there is never a prompt.
        } else if (key == u"application name") {
            setPassed(QStringLiteral("APP"), value);
        } else if (key == u"workstation id") {
            setPassed(QStringLiteral("WSID"), value);
        } else if (key == u"driver" || key == u"dsn" || key == u"filedsn") {
            fail(QStringLiteral("'%1' belongs to ODBC connection strings; give Provider and Data Source").arg(rawKey));
        } else {
            setPassed(rawKey, value);
        }
    }

    if (!haveDataSource || dataSource.trimmed().isEmpty())
        fail(QStringLiteral("no Data Source (server name) is given"));
    odbcTarget.server = parseDataSource(dataSource);

    if (!integrated.isEmpty() && isTrue(integrated, QStringLiteral("Integrated Security")))
        odbcTarget.attributes.append({QStringLiteral("Trusted_Connection"), QStringLiteral("yes")});
    if (haveUser)
        odbcTarget.attributes.append({QStringLiteral("UID"), user});
    if (havePassword)
        odbcTarget.attributes.append({QStringLiteral("PWD"), password});
    if (!database.isEmpty())
        odbcTarget.attributes.append({QStringLiteral("Database"), database});

    const bool encrypted = haveEncrypt && isTrue(encrypt, QStringLiteral("Encrypt"));
    if (freeTds) {
        if (encrypted)
            odbcTarget.attributes.append({QStringLiteral("Encryption"), QStringLiteral("require")});
        if (haveTrust)
            isTrue(trust, QStringLiteral("TrustServerCertificate")); // FreeTDS checks no certificate unless told to
        // Without a TDS version FreeTDS falls back to 5.0 after a timeout and blocks for long.
        odbcTarget.attributes.append({QStringLiteral("TDS_Version"), QStringLiteral("7.4")});
        odbcTarget.attributes.append({QStringLiteral("ClientCharset"), QStringLiteral("UTF-8")});
    } else {
        // The OLE DB provider encrypts only when asked; driver 18 would by default.
        odbcTarget.attributes.append({QStringLiteral("Encrypt"), encrypted ? QStringLiteral("yes") : QStringLiteral("no")});
        if (haveTrust)
            odbcTarget.attributes.append({QStringLiteral("TrustServerCertificate"),
                                    isTrue(trust, QStringLiteral("TrustServerCertificate")) ? QStringLiteral("yes") : QStringLiteral("no")});
    }
    odbcTarget.attributes.append(passed);
    return odbcTarget;
}

} // namespace yorsabat::server
