#include "ServerConnection.h"

#include "Connection.h"
#include "DatabaseList.h"

namespace yorsabat::server {

QString oleDbValue(const QString &value)
{
    const bool needsQuotes = value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('"'))
                             || value.startsWith(QLatin1Char('\''));
    if (!needsQuotes)
        return value;
    const QLatin1Char dq('"'), sq('\'');
    if (!value.contains(dq))
        return dq + value + dq;
    if (!value.contains(sq))
        return sq + value + sq;
    QString doubled = value;
    doubled.replace(dq, QLatin1String("\"\""));
    return dq + doubled + dq;
}

QString buildConnectionString(const QString &prefix, const QString &user, const QString &password,
                              const QString &server)
{
    return prefix + QLatin1String("User ID=") + oleDbValue(user) + QLatin1String(";Password=")
           + oleDbValue(password) + QLatin1String(";Data Source=") + oleDbValue(server);
}

ServerConnection::ServerConnection(Connection &connection, DatabaseList &databases,
                                   LoginSettings &settings, const Controls &controls)
    : m_connection(connection), m_databases(databases), m_settings(settings), m_controls(controls)
{
    m_connection.setAfterConnect([this] { ADOConnection1AfterConnect(); });
}

ServerConnection::~ServerConnection()
{
    m_connection.setAfterConnect({});
}

void ServerConnection::Button5Click()
{
    if (m_controls.button.caption() == connectCaption)
        connect();
    else
        disconnect();
}

void ServerConnection::ADOConnection1AfterConnect()
{
    m_controls.status.setText(m_connection.defaultDatabase());
}

// Each step may raise; the click then ends there and the caption stays
// "Bağlan", so the login is remembered only for a connection that opened.
void ServerConnection::connect()
{
    m_controls.busy.on();
    m_connection.setConnectionString(buildConnectionString(m_controls.prefix.text(), m_controls.user.text(),
                                                           m_controls.password.text(),
                                                           m_controls.server.text()));
    m_connection.open();

    m_settings.write(QStringLiteral("Yetkilendirme"), m_controls.authentication.text());
    m_settings.write(QStringLiteral("Sunucu"), m_controls.server.text());
    m_settings.write(QStringLiteral("Kullanici"), m_controls.user.text());
    m_settings.write(QStringLiteral("Parola"), m_controls.password.text());

    m_controls.busy.on();
    m_databases.fill();
    m_controls.button.setCaption(connectedCaption);
}

void ServerConnection::disconnect()
{
    m_connection.close();
    m_controls.button.setCaption(connectCaption);
}

} // namespace yorsabat::server
