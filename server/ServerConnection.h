#pragma once

#include "shell/Ports.h"

#include <QString>

namespace yorsabat::server {

class Connection;
class DatabaseList;

// The connection string of the data-access layer's OLE DB form: the prefix box
// text as typed, then "User ID=", ";Password=" and ";Data Source=" with the
// box values. A value that would end early or lose characters when parsed (one
// holding ";", starting with a quote, or starting or ending with a blank) is
// quoted by the OLE DB rules; every other value goes in character for character.
QString buildConnectionString(const QString &prefix, const QString &user, const QString &password,
                              const QString &server);

// Where a successful connect remembers its login: the four login keys of the
// settings file, in the order "Yetkilendirme", "Sunucu", "Kullanici",
// "Parola". A refused write raises yorsabat::Error and leaves the keys written
// before it in place.
class LoginSettings
{
public:
    virtual ~LoginSettings() = default;
    virtual void saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
                           const TextBox &password) = 0;
};

// The settings file of the working directory of that moment.
class SettingsFileLogin : public LoginSettings
{
public:
    void saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
                   const TextBox &password) override;
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
    // of this object; the connection must outlive it.
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
