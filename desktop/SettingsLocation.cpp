#include "SettingsLocation.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "base/Exceptions.h"
#include "base/Translation.h"
#include "desktop/XdgFolders.h"

namespace {

constexpr const char* FileName = "ZYNClient.ini";

bool IsWritable(const std::string& path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

} // namespace

std::string ChooseSettingsFile(const std::string& commandLineFile, const std::string& programFolder)
{
    if (!commandLineFile.empty()) return std::filesystem::absolute(commandLineFile).string();

    const std::string local = programFolder + FileName;
    if (IsWritable(programFolder) || IsWritable(local)) return local;

    const std::filesystem::path folder = std::filesystem::path(XdgConfigHome()) / "Parlet";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw Exception(Translated("Cannot create the settings folder %1: %2", {folder.string(), error.message()}));
    return (folder / FileName).string();
}

std::string FolderOf(const std::string& settingsFile)
{
    const auto slash = settingsFile.rfind('/');
    return slash == std::string::npos ? std::string("./") : settingsFile.substr(0, slash + 1);
}
