// Single-byte ANSI (code page 1252) texts: case mapping and conversion to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace pictova {

// Upper-cases the letters a to z only; every other byte stays as it is.
std::string AnsiUpperCase(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);

// Code page 1252 to UTF-8. The five bytes that 1252 leaves undefined map to U+0081 etc.
std::string Cp1252ToUtf8(std::string_view ansi);
// UTF-8 to code page 1252; characters it cannot hold, and broken sequences, become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// A payload or ANSI file name as the operating system wants it: the bytes themselves on
// Windows (the ANSI file functions take them), UTF-8 elsewhere.
std::string NativeFileName(std::string_view ansi);

}  // namespace pictova
