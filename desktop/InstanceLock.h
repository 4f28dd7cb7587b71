#pragma once

#include <string>

#include "base/Exceptions.h"
#include "base/FileDescriptor.h"

// Another running program holds the settings file.
class EAlreadyRunning : public Exception {
public:
    using Exception::Exception;
};

// Keeps a second program off the same settings file: the sound card and the
// radio's lines cannot be shared. The lock is an flock on a file in the
// user's runtime folder named after the settings file's real path; the
// kernel drops it when its holder ends, however it ends, so a killed program
// leaves nothing that blocks the next start.
class TInstanceLock {
public:
    // Throws EAlreadyRunning when another program holds the file, Exception
    // when the lock file cannot be made.
    explicit TInstanceLock(const std::string& settingsFile);
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // The lock file, for messages and tests.
    const std::string& LockFile() const { return FLockFile; }

private:
    std::string FLockFile;
    TFileDescriptor FFd;
};
