#include "ServerConnection.h"

#include "Connection.h"
#include "ConnectionString.h"
#include "DatabaseList.h"

#include "shell/Settings.h"

namespace yorsabat::server {

QString buildConnectionString(const QString &prefix, const QString &user, const QString &password,
                              const QString &server)
{
    return prefix + QLatin1String("User ID=") + quoteOleDbValue(user) + QLatin1String(";Password=")
           + quoteOleDbValue(password) + QLatin1String(";Data Source=") + quoteOleDbValue(server);
}

void SettingsFileLogin::saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
                                  const TextBox &password)
{
    settings::saveLogin(authentication, server, user, password);
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

    m_settings.saveLogin(m_controls.authentication, m_controls.server, m_controls.user, m_controls.password);

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
