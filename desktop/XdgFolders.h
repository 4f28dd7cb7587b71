#pragma once

#include <string>

// The user's folders as the XDG base directory rules name them: the
// variable when it holds an absolute path, else the usual place under HOME.
std::string XdgConfigHome();
std::string XdgDataHome();
// Where per-session files such as locks live: XDG_RUNTIME_DIR, else a
// folder of this user's own under the temporary folder.
std::string XdgRuntimeFolder();
