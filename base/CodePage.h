#pragma once

#include <string>

// The 8-bit code page of messages and of the settings file is Windows-1252.
// Conversion to and from Unicode happens only at the GUI's edge.
std::string Cp1252ToUtf8(const std::string& bytes);
// Characters that Windows-1252 cannot hold become '?'.
std::string Utf8ToCp1252(const std::string& text);
