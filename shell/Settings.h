#pragma once

#include "shell/Ports.h"

// The three uses of the settings file: each opens the file of the working
// directory of that moment, reads or writes section "MSSQL", and lets it go.
namespace yorsabat::settings {

// At start-up: "Yetkilendirme", "Sunucu", "Kullanici", "Parola", "NO", in that
// order, each set into its box at once; a missing key gives its default.
void load(TextBox &authentication, TextBox &server, TextBox &user, TextBox &password,
          TextBox &year);

// After a successful connect: the four login keys, in that order. A refused
// write raises yorsabat::Error; the keys before it stay written.
void saveLogin(const TextBox &authentication, const TextBox &server, const TextBox &user,
               const TextBox &password);

// When the main window closes: "NO" alone.
void saveYear(const TextBox &year);

} // namespace yorsabat::settings
