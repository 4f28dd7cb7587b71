#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// 8 bytes of a report, without its report id.
using THidData = std::array<std::uint8_t, 8>;

struct THidReport {
    std::uint8_t ReportId = 0;
    THidData Data {};
};

struct THidAttributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
};

enum class THidQuery {
    Ok,
    OpenFailed, // the device could not be opened
    AttributesFailed // opened, but its ids could not be read
};

// How a blocking read ended.
enum class THidRead {
    Report, // a report is at hand
    Cancelled, // Cancel was called
    Failed // the device failed or went away
};

// A device opened for writing output reports.
class THidWriteHandle {
public:
    virtual ~THidWriteHandle() = default;
    // Writes one report: the report id first, then the data. Returns the number
    // of bytes written, or minus the system's error number.
    virtual long Write(const std::vector<std::uint8_t>& report) = 0;
};

// A device opened for reading input reports, on a reader thread.
class THidReadHandle {
public:
    virtual ~THidReadHandle() = default;
    // Blocks until an input report arrives, Cancel is called or the device
    // fails. Reports come as (report id, 8 data bytes) whether or not the
    // device numbers its reports (id 0 when it does not).
    virtual THidRead Read(THidReport& report) = 0;
    // Any thread: make the blocked read, and every later one, return
    // Cancelled promptly.
    virtual void Cancel() = 0;
};

// A device-change watch; destroying it ends the notices.
class THidWatch {
public:
    virtual ~THidWatch() = default;
};

// HID device interfaces of the system.
class THidPlatform {
public:
    virtual ~THidPlatform() = default;

    // Paths of the HID interfaces present now, in the system's order.
    virtual std::vector<std::string> EnumeratePaths() = 0;
    // Opens the device briefly and reads its vendor and product ids.
    virtual THidQuery QueryAttributes(const std::string& path, THidAttributes& attributes) = 0;
    // On failure return null and set error to the system's error number.
    virtual std::unique_ptr<THidWriteHandle> OpenForWrite(const std::string& path, int& error) = 0;
    virtual std::unique_ptr<THidReadHandle> OpenForRead(const std::string& path, int& error) = 0;
    // notice runs on the main thread (posted to the main loop) whenever a HID
    // interface arrives or goes, until the returned watch is destroyed.
    virtual std::unique_ptr<THidWatch> WatchDeviceChanges(std::function<void()> notice) = 0;
};
