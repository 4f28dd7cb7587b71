#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "base/VirtualLoop.h"
#include "media/SimulatedMixer.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"
#include "station/untFFSKTransmitter.h"
#include "tests/support/TempFolder.h"

// Settings of a station that keys the PTT on RTS, active high, on COM1.
inline std::string RtsStationSettings(const std::string& operatorName, int courtesyDelayMs)
{
    return "[Identification]\r\nOperaterName=" + operatorName
        + "\r\n[Interface]\r\nRigComm=1\r\nRigComDtr=0\r\nRigComActiveHigh=1\r\nRigComUnusedHight=0\r\nCommPort=0\r\n"
          "CourtesyDelay="
        + std::to_string(courtesyDelayMs) + "\r\n";
}

// One station on simulated back ends: its own sound card, serial ports, HID
// bus, mixer and settings file. The virtual loop is the test's.
class TSimulatedStation {
public:
    explicit TSimulatedStation(const std::string& settings)
    {
        WriteBytes(SettingsFile(), settings);
        sound.SetRecordPlayback(true);
    }

    TStationPlatform Platform() { return {sound, serial, hid, hid, mixer}; }
    std::string SettingsFile() const { return folder.File("ZYNClient.ini"); }
    TFFSKTranceiver& Open()
    {
        transceiver = std::make_unique<TFFSKTranceiver>(Platform(), SettingsFile());
        return *transceiver;
    }
    bool Rts() const { return serial.RTS("COM1"); }

    TTempFolder folder;
    TSimulatedSoundCard sound;
    TSimulatedSerialPlatform serial;
    TSimulatedHidBus hid;
    TSimulatedMixer mixer;
    std::unique_ptr<TFFSKTranceiver> transceiver;
};

// Times (ms, from the start of playback) of the first and last sample of
// the played bytes that is not silence (127).
struct TToneSpan {
    bool found = false;
    double firstMs = 0;
    double lastMs = 0;
};

inline TToneSpan FindTones(const std::vector<std::uint8_t>& played, std::size_t from = 0)
{
    TToneSpan span;
    for (std::size_t i = from; i < played.size(); ++i) {
        if (played[i] == 127) continue;
        if (!span.found) span.firstMs = static_cast<double>(i) / 48.0;
        span.found = true;
        span.lastMs = static_cast<double>(i + 1) / 48.0;
    }
    return span;
}

// What happens when on one station, on the virtual clock: the transmitter's
// OnTX, changes of the RTS line, and whatever a test notes itself.
class TKeyingLog {
public:
    TKeyingLog(TVirtualLoop& loop, TSimulatedStation& station)
        : FLoop(loop)
        , FStation(station)
    {
    }

    void Watch(TFFSKTransmitter& transmitter)
    {
        FWatching = transmitter.OnTX.Connect([this](TObject*, bool on) { Note(on ? "tx-on" : "tx-off"); });
    }
    void Note(const std::string& what) { FEvents.emplace_back(FLoop.NowMs(), what); }

    // Advance in 1 ms steps, noting every change of the RTS line.
    void RunTo(std::int64_t ms)
    {
        while (FLoop.NowMs() < ms) {
            FLoop.AdvanceByMs(1);
            const bool rts = FStation.Rts();
            if (rts != FLastRts) Note(rts ? "rts-up" : "rts-down");
            FLastRts = rts;
        }
    }
    void RunFor(std::int64_t ms) { RunTo(FLoop.NowMs() + ms); }

    std::vector<std::int64_t> TimesOf(const std::string& what) const
    {
        std::vector<std::int64_t> at;
        for (const auto& [t, e] : FEvents)
            if (e == what) at.push_back(t);
        return at;
    }

private:
    TVirtualLoop& FLoop;
    TSimulatedStation& FStation;
    std::vector<std::pair<std::int64_t, std::string>> FEvents;
    bool FLastRts = false;
    TConnection FWatching;
};

// A test on one station keying on RTS: Build() makes the station and its
// keying log, opens it and takes its transmitter.
class StationTest : public ::testing::Test {
protected:
    void Build(int courtesyDelayMs)
    {
        station = std::make_unique<TSimulatedStation>(RtsStationSettings("Anna", courtesyDelayMs));
        log = std::make_unique<TKeyingLog>(loop, *station);
        transmitter = &station->Open().Transmitter();
    }

    void RunTo(std::int64_t ms) { log->RunTo(ms); }
    void Run(std::int64_t ms) { log->RunFor(ms); }
    std::vector<std::int64_t> TimesOf(const std::string& what) const { return log->TimesOf(what); }

    TVirtualLoop loop;
    std::unique_ptr<TSimulatedStation> station;
    std::unique_ptr<TKeyingLog> log;
    TFFSKTransmitter* transmitter = nullptr;
};
