#include "InstalledFolders.h"

#include <sys/stat.h>

#include "base/BuildPaths.h"
#include "base/ProgramFolder.h"

namespace {
bool IsFolder(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

std::string ProgramVersion()
{
    return BuildPaths::Version;
}

std::string ProgramLicence()
{
    return BuildPaths::Licence;
}

std::string InstalledLocaleFolder()
{
    return BuildPaths::LocaleFolder;
}

std::string InstalledDataFolder()
{
    return BuildPaths::DataFolder;
}

std::string LocalOrInstalled(const std::string& name, const std::string& installed)
{
    const std::string local = ProgramFolder() + name;
    if (IsFolder(local) || !IsFolder(installed)) return local;
    return installed;
}
