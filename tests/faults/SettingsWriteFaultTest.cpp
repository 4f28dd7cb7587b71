#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/SystemCallSeam.h"
#include "settings/IniFile.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const std::string OldBytes = "; the suite's own comment\r\n[Interface]\r\nCourtesyDelay=400\r\nVoIpComm=0\r\n";
const std::string NewBytes = "; the suite's own comment\r\n[Interface]\r\nCourtesyDelay=750\r\nVoIpComm=0\r\n";

// One write-through of a setting on a settings file in a folder of its own.
class TSettingsWrite {
public:
    TSettingsWrite()
    {
        WriteBytes(File(), OldBytes);
        FSettings = std::make_unique<TZYNClientSettings>(File());
        FEventsSeen = FSettings->OnInterfaceChange.Connect([this](TObject*) { ++FEvents; });
    }
    std::string File() const { return FFolder.File("ZYNClient.ini"); }
    std::string FolderText() const { return FFolder.Path().string(); }
    // The error message, or "" when the write was reported as done.
    std::string Run()
    {
        try {
            FSettings->SetCourtesyDelay(750);
        } catch (const EIniFileException& e) {
            return e.Message();
        }
        return "";
    }
    // Files in the folder besides the settings file (temporary files left).
    std::vector<std::string> Strays() const
    {
        std::vector<std::string> strays;
        for (const auto& entry : fs::directory_iterator(FFolder.Path()))
            if (entry.path().filename() != "ZYNClient.ini") strays.push_back(entry.path().filename().string());
        return strays;
    }
    int Events() const { return FEvents; }

private:
    TTempFolder FFolder;
    std::unique_ptr<TZYNClientSettings> FSettings;
    int FEvents = 0;
    TConnection FEventsSeen;
};

// The temporary file beside the settings file (its name differs each time).
bool IsTemporary(const TSystemCallRecord& record)
{
    return fs::path(record.Path).filename().string().rfind("ZYNClient.ini.tmp", 0) == 0;
}

// What a failure of one call must leave: the old bytes when it came before
// the rename; the new bytes when it came after (a folder not flushed), and
// both then reported. A close that fails on a descriptor only read from
// loses nothing and is no failure of the write.
struct TExpected {
    bool Reported;
    bool OldBytesLeft;
};

TExpected ExpectedFor(const std::vector<TSystemCallRecord>& clean, std::size_t failed)
{
    bool renamed = false;
    for (std::size_t i = 0; i < failed; ++i) renamed = renamed || clean[i].Call == TSystemCall::Rename;
    const TSystemCallRecord& record = clean[failed];
    const bool writtenThrough = IsTemporary(record) || record.Call != TSystemCall::Close;
    if (!writtenThrough) return {false, false};
    return {true, !renamed};
}

std::string Describe(const std::vector<TSystemCallRecord>& trace, std::size_t at)
{
    return std::string(SystemCallName(trace[at].Call)) + " #" + std::to_string(at) + " on " + trace[at].Path;
}

std::vector<TSystemCallRecord> CleanTrace()
{
    TSettingsWrite write;
    TSystemCallSeam seam;
    EXPECT_EQ(write.Run(), "");
    return seam.Trace(write.FolderText());
}

} // namespace

TEST(SettingsWriteFaults, TheTemporaryFileIsFlushedAndClosedBeforeTheRenameAndTheFolderAfterIt)
{
    TSettingsWrite write;
    TSystemCallSeam seam;
    ASSERT_EQ(write.Run(), "");
    std::vector<std::string> order;
    for (const TSystemCallRecord& record : seam.Trace(write.FolderText())) {
        const bool temporary = IsTemporary(record);
        if (record.Call == TSystemCall::Write && temporary) order.push_back("write temporary");
        if (record.Call == TSystemCall::Fsync && temporary) order.push_back("fsync temporary");
        if (record.Call == TSystemCall::Close && temporary) order.push_back("close temporary");
        if (record.Call == TSystemCall::Rename) order.push_back("rename");
        if (record.Call == TSystemCall::FsyncFolder) order.push_back("fsync folder");
    }
    EXPECT_EQ(order,
        (std::vector<std::string> {"write temporary", "fsync temporary", "close temporary", "rename", "fsync folder"}));
    EXPECT_EQ(ReadBytes(write.File()), NewBytes);
}

// Every call of one write-through, failed in turn with each of a few errors.
TEST(SettingsWriteFaults, EachCallFailedLeavesOldOrNewBytesReportsOnceAndLeaksNothing)
{
    const std::vector<TSystemCallRecord> clean = CleanTrace();
    ASSERT_GE(clean.size(), 8u);
    for (const int error : {EIO, ENOSPC, EDQUOT}) {
        for (std::size_t at = 0; at < clean.size(); ++at) {
            SCOPED_TRACE(Describe(clean, at) + " failing with " + std::strerror(error));
            int nth = 0;
            for (std::size_t i = 0; i <= at; ++i)
                if (clean[i].Call == clean[at].Call) ++nth;

            const std::size_t descriptors = OpenDescriptorCount();
            TSettingsWrite write;
            TSystemCallSeam seam;
            seam.Fail({clean[at].Call, nth, error, write.FolderText()});
            const std::string message = write.Run();
            const std::vector<TSystemCallRecord> trace = seam.Trace(write.FolderText());
            const TExpected expected = ExpectedFor(clean, at);

            EXPECT_EQ(seam.Injected(), 1);
            EXPECT_EQ(ReadBytes(write.File()), expected.OldBytesLeft ? OldBytes : NewBytes);
            if (expected.Reported) {
                // The re-read of the file is a read; everything after it a write.
                EXPECT_TRUE(message.rfind("Unable to write to " + write.File() + " (", 0) == 0
                    || message.rfind("Unable to read " + write.File() + " (read " + write.File() + ": ", 0) == 0)
                    << message;
                EXPECT_NE(message.find(std::string(std::strerror(error)) + ")"), std::string::npos) << message;
                EXPECT_EQ(write.Events(), 0);
            } else {
                EXPECT_EQ(message, "");
                EXPECT_EQ(write.Events(), 1);
            }
            EXPECT_EQ(write.Strays(), std::vector<std::string> {});
            // Reported once, not retried: no call is made more often than
            // in the clean run.
            for (const TSystemCall call : {TSystemCall::Open, TSystemCall::Write, TSystemCall::Fsync,
                     TSystemCall::Rename, TSystemCall::FsyncFolder})
                EXPECT_LE(seam.Calls(call, write.FolderText()),
                    static_cast<int>(
                        std::count_if(clean.begin(), clean.end(), [&](const auto& r) { return r.Call == call; })));
            EXPECT_EQ(OpenDescriptorCount(), descriptors);

            // With the fault gone the next write goes through.
            EXPECT_EQ(write.Run(), "");
            EXPECT_EQ(ReadBytes(write.File()), NewBytes);
        }
    }
}

// A full disk: the first write takes part of the bytes, the next one
// nothing.
TEST(SettingsWriteFaults, AShortWriteThenAFullDiskLeavesTheOldFile)
{
    {
        TSettingsWrite write;
        TSystemCallSeam seam;
        seam.Fail({.Call = TSystemCall::Write, .Nth = 1, .PathPart = ".tmp", .ShortBytes = 10});
        seam.Fail({.Call = TSystemCall::Write, .Nth = 1, .Error = ENOSPC, .PathPart = ".tmp"});
        const std::string message = write.Run();
        EXPECT_NE(message.find("No space left on device)"), std::string::npos) << message;
        EXPECT_EQ(ReadBytes(write.File()), OldBytes);
        EXPECT_EQ(write.Strays(), std::vector<std::string> {});
    }
    // A short write alone is finished by the next one.
    TSettingsWrite write;
    TSystemCallSeam seam;
    seam.Fail({.Call = TSystemCall::Write, .Nth = 1, .PathPart = ".tmp", .ShortBytes = 3});
    EXPECT_EQ(write.Run(), "");
    EXPECT_EQ(ReadBytes(write.File()), NewBytes);
}
