#include "shell/Settings.h"

#include "shell/SettingsFile.h"

namespace yorsabat::settings {
namespace {
constexpr QStringView kSection = u"MSSQL";
}

void load(TextBox &authentication, TextBox &server, TextBox &user, TextBox &password, TextBox &year)
{
    const SettingsFile file(SettingsFile::pathInWorkingDirectory());
    authentication.setText(file.read(kSection, u"Yetkilendirme", QStringLiteral("SQL Server Yetkilendirmesi")));
    server.setText(file.read(kSection, u"Sunucu", QStringLiteral(".\\VEZ")));
    user.setText(file.read(kSection, u"Kullanici", QStringLiteral("sa")));
    password.setText(file.read(kSection, u"Parola", QStringLiteral("vqx")));
    year.setText(file.read(kSection, u"NO", QStringLiteral("2024")));
}

void saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
               const TextBox &password)
{
    const SettingsFile file(SettingsFile::pathInWorkingDirectory());
    file.write(kSection, u"Yetkilendirme", authentication.text());
    file.write(kSection, u"Sunucu", server.text());
    file.write(kSection, u"Kullanici", user.text());
    file.write(kSection, u"Parola", password.text());
}

void saveYear(const TextBox &year)
{
    const SettingsFile file(SettingsFile::pathInWorkingDirectory());
    file.write(kSection, u"NO", year.text());
}

} // namespace yorsabat::settings
