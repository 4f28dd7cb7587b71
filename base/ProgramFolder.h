#pragma once

#include <string>

// The folder of the running executable, with its trailing separator.
std::string ProgramFolder();
