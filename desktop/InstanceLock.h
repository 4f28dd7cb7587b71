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
// radio's lines cannot be shared. The lock is a name in the kernel's abstract
// socket namespace made of the identity of the settings file's folder (its
// device and inode) and the file's name: the same for every program on this
// machine whatever its environment, untouched by the settings file being
// replaced (a rename gives the file a new inode, never its folder), possible
// in a read-only folder, and dropped by the kernel when its holder ends,
// however it ends, so a killed program leaves nothing that blocks the next
// start. Other programs of the suite that write the file are not affected.
class TInstanceLock {
public:
    // Throws EAlreadyRunning when another program holds the file, Exception
    // when the lock cannot be made.
    explicit TInstanceLock(const std::string& settingsFile);
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

private:
    TFileDescriptor FSocket;
};
