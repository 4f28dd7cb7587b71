#include "InstalledFolders.h"

#include <filesystem>
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

std::string InstalledDataFolder()
{
    // The install tree the program itself sits in first: the same as the
    // configured one for a real install, the right one for a moved tree.
    const std::string beside =
        std::filesystem::path(ProgramFolder() + BuildPaths::DataFolderFromProgram).lexically_normal().string();
    return IsFolder(beside) ? beside : BuildPaths::DataFolder;
}

std::string InstalledLocaleFolder()
{
    return InstalledDataFolder() + "/locale";
}

std::string LocalOrInstalled(const std::string& name, const std::string& installed)
{
    const std::string local = ProgramFolder() + name;
    if (IsFolder(local) || !IsFolder(installed)) return local;
    return installed;
}
