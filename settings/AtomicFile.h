#pragma once

#include <optional>
#include <string>
#include <string_view>

// Whole-file reading and crash-safe replacement of a small file that other
// programs share.

// The file's bytes; nothing when the file does not exist. Any other failure
// (no permission, a folder, an I/O error) throws std::system_error, so that a
// caller never mistakes an unreadable file for an empty one.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's contents so that a reader, or the file after a crash or
// power loss, sees either the old or the new bytes, never a mix: the new
// bytes go to a temporary file in the same folder, which is flushed to disk
// and renamed over the file. The file keeps its mode (and its owner where
// the process may set it); a new file gets 0666 less the umask. A symbolic
// link is followed, so the link stays a link. Throws std::system_error, also
// when the folder cannot be flushed after the rename (the new bytes are in
// place then, but may not survive a power loss).
void ReplaceWholeFile(const std::string& path, std::string_view contents);

// Why ReplaceWholeFile would be refused, before trying: "write <file>:
// <system's error text>" for a file that may not be written, "create
// <folder>/<name>.tmp...: ..." for a folder that may not take the temporary
// file. Nothing when it may be written, or when the folder does not exist
// (the write itself then says so).
std::optional<std::string> WhyNotReplaceable(const std::string& path);
