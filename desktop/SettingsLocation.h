#pragma once

#include <string>

// Which settings file the program uses:
//  - the file given on the command line, when there is one;
//  - else the file in the program folder, when that folder or the file is
//    writable, so a copy run from its own folder (the suite's folder, a
//    source tree) keeps using the suite's file;
//  - else <XDG_CONFIG_HOME>/Parlet/ZYNClient.ini, for an installed program
//    whose folder belongs to root. Its folder is created here; the file
//    itself is written by the settings at start.
// Throws Exception when the user's folder cannot be created.
std::string ChooseSettingsFile(const std::string& commandLineFile, const std::string& programFolder);

// The folder of a settings file, with its trailing separator: the place of
// its ports/ links.
std::string FolderOf(const std::string& settingsFile);
