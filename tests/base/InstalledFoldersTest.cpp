#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "base/InstalledFolders.h"
#include "base/ProgramFolder.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

TEST(InstalledFolders, ProgramFolderFirstThenTheInstalledOne)
{
    TTempFolder installed;
    const std::string name = "data-" + std::to_string(getpid());
    // Neither there: the program folder's, as before installing existed.
    EXPECT_EQ(LocalOrInstalled(name, "/nonexistent/parlet"), ProgramFolder() + name);
    // Only the installed one there.
    EXPECT_EQ(LocalOrInstalled(name, installed.Path().string()), installed.Path().string());
    // A copy run from its own folder keeps its own files.
    fs::create_directory(ProgramFolder() + name);
    EXPECT_EQ(LocalOrInstalled(name, installed.Path().string()), ProgramFolder() + name);
    fs::remove(ProgramFolder() + name);
}

TEST(InstalledFolders, InstalledPlacesAreAbsoluteAndTheVersionIsSet)
{
    EXPECT_EQ(InstalledLocaleFolder().front(), '/');
    EXPECT_EQ(InstalledDataFolder().front(), '/');
    EXPECT_FALSE(ProgramVersion().empty());
}
