#pragma once

#include <QString>

#include <string>

#include "base/CodePage.h"

// Bytes as other stations and the suite write them (Windows-1252), for the
// screen, the desktop and other programs: one character per byte.
inline QString FromCp1252(const std::string& bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}
