#pragma once

#include <string>

// The program's version and licence (an SPDX name), as the build gives them.
std::string ProgramVersion();
std::string ProgramLicence();

// Where an installed program keeps its message catalogues (the locale tree)
// and its shared data: in the install tree the program runs from (its
// <bin>/../share/parlet), else as the build was configured to install them.
std::string InstalledLocaleFolder();
std::string InstalledDataFolder();

// A folder of the program's own files: <program folder><name> when it is
// there (a program run from its build or the suite's folder), else the
// installed one when that is there, else the program folder's anyway.
std::string LocalOrInstalled(const std::string& name, const std::string& installed);
