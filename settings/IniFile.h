#pragma once

#include <string>

#include "base/Exceptions.h"

// A read or a write of the profile file that the system refused.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// The text of a profile file as read once, for many reads in a row (loading
// every setting at start-up); the readers follow TIniFile's rules. A missing
// or unreadable file reads as empty: every key gives its default.
class TIniSnapshot {
public:
    explicit TIniSnapshot(const std::string& fileName);
    // The snapshot of a text already read.
    static TIniSnapshot OfText(std::string text);

    std::string ReadString(const std::string& section, const std::string& key, const std::string& Default) const;
    int ReadInteger(const std::string& section, const std::string& key, int Default) const;
    bool ReadBool(const std::string& section, const std::string& key, bool Default) const;

private:
    TIniSnapshot() = default;
    std::string FText;
};

// A Windows-style profile (INI) file on disk. It holds only the path: every
// read goes to the file as it is now, and every write re-reads it, changes or
// adds exactly the one key and replaces the file atomically, so that what
// other programs keep in the same file (and changed meanwhile) survives.
class TIniFile {
public:
    // The longest string value returned, as a 2048-byte profile buffer holds.
    static constexpr std::size_t MaxStringLength = 2047;

    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return FFileName; }

    // The file as it is now, for reading many keys with one read.
    TIniSnapshot Snapshot() const { return TIniSnapshot(FFileName); }
    // The same, but a file that exists and cannot be read (no permission, a
    // folder) throws EIniFileException "Unable to read <file name> (read
    // <file name>: <system's error text>)"; a missing file reads as empty.
    TIniSnapshot Load() const;

    // Missing file, section or key gives the default. An unreadable file is
    // treated as missing: the reader falls back to its defaults.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& Default) const;
    // Integer rules of ParseIniInteger; an invalid text gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int Default) const;
    // An integer whose default is 1 or 0; any non-zero value is true.
    bool ReadBool(const std::string& section, const std::string& key, bool Default) const;

    // Creates file, section and key as needed. A value holding a line break
    // is cut there: the rest would otherwise become lines of its own. Throws
    // EIniFileException "Unable to read <file name> (...)" when the file
    // cannot be re-read, "Unable to write to <file name> (<step> <path>:
    // <system's error text>)" when it cannot be replaced; the step is create,
    // write or rename (of the temporary file beside it) or flush the folder.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    std::string FFileName;
};
