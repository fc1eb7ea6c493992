#pragma once

#include <string>
#include <string_view>

// UTF-8 <-> UTF-16LE conversions for the wire; malformed input becomes U+FFFD.
namespace yorsabat::standin {

// Appends s as UTF-16LE bytes to out; returns the number of UTF-16 code units.
std::size_t appendUtf16(std::string &out, std::string_view utf8);
std::size_t utf16Length(std::string_view utf8);
std::string fromUtf16(const unsigned char *data, std::size_t units);

std::string lower(std::string_view s); // ASCII only
bool equalsNoCase(std::string_view a, std::string_view b); // ASCII only
std::string trim(std::string_view s);

} // namespace yorsabat::standin
