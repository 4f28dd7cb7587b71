#include "XdgFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return home;
    // A service started without HOME still has an entry in the user database.
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

// The XDG rules ignore a relative path in these variables.
std::string AbsoluteOr(const char* variable, const std::string& fallback)
{
    const char* value = std::getenv(variable);
    return value && *value == '/' ? std::string(value) : fallback;
}

} // namespace

std::string XdgConfigHome()
{
    return AbsoluteOr("XDG_CONFIG_HOME", HomeFolder() + "/.config");
}

std::string XdgDataHome()
{
    return AbsoluteOr("XDG_DATA_HOME", HomeFolder() + "/.local/share");
}
