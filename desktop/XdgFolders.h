#pragma once

#include <string>

// The user's folders as the XDG base directory rules name them: the
// variable when it holds an absolute path, else the usual place under HOME.
std::string XdgConfigHome();
std::string XdgDataHome();
