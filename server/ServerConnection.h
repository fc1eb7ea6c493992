#pragma once

#include "shell/Ports.h"

#include <QString>

namespace yorsabat::server {

class Connection;
class DatabaseList;

// The connection string of the data-access layer's OLE DB form: the prefix box
// text, then "User ID=", ";Password=" and ";Data Source=" with their values.
// The prefix goes in as typed. A value stays character for character unless
// it contains ";" or begins with a quote; such a value would end or open a
// quoted value early, so it is quoted by the OLE DB rules instead.
QString buildConnectionString(const QString &prefix, const QString &user, const QString &password,
                              const QString &server);

// One value of an OLE DB connection string, quoted when it has to be.
QString oleDbValue(const QString &value);

// Where a successful connect remembers its login: section "MSSQL" of the
// settings file. Each write stores one key at once; a refused write raises
// yorsabat::Error and leaves the keys written before it in place.
class LoginSettings
{
public:
    virtual ~LoginSettings() = default;
    virtual void write(const QString &key, const QString &value) = 0;
};

// The connect button Button5 and the shared connection's after-connect step.
// The caption is the only record of what the next click does: "Bağlan"
// connects, anything else disconnects.
class ServerConnection
{
public:
    struct Controls
    {
        Caption &button;         // Button5
        TextBox &authentication; // ComboBox1: only stored
        TextBox &server;         // Edit1
        TextBox &user;           // Edit2
        TextBox &password;       // Edit3
        TextBox &prefix;         // Edit4
        BusyCursor &busy;
        StatusLine &status;      // StatusBar1
    };

    static inline const QString connectCaption = QStringLiteral("Bağlan");
    static inline const QString connectedCaption = QStringLiteral("Bağlandı");

    // Registers the after-connect step with the connection for the lifetime
    // of this object.
    ServerConnection(Connection &connection, DatabaseList &databases, LoginSettings &settings,
                     const Controls &controls);
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    // The connect button's click: connects or disconnects by the caption.
    void Button5Click();
    // Runs each time the connection opens: the status line shows the current database.
    void ADOConnection1AfterConnect();

private:
    void connect();
    void disconnect();

    Connection &m_connection;
    DatabaseList &m_databases;
    LoginSettings &m_settings;
    Controls m_controls;
};

} // namespace yorsabat::server
