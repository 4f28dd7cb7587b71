// Two full stations on simulated back ends talk for hours of virtual time:
// every 7 s each sends the other a text of random length under a random
// operator name. Each direction has its own cable (A to B, B to A), with
// gain, DC offset, noise and clock skew; within every hour a stretch of heavy
// noise. The keyings of the two stations are not kept apart: with a cable
// per direction they overlap without harm, and each station then receives
// while it transmits, which the program must take in its stride.
//
// B's sound card runs 50 ppm slower than A's, so A->B is skewed by -50 ppm
// and B->A by +50 ppm. A cable models skew as a growing offset in time (a
// negative one reads ahead of what the sender has queued and would turn to
// silence within hours), so each is set afresh every minute while its sender
// is quiet: the offset stays within milliseconds and only silence is skipped
// or repeated, while every frame still arrives stretched or squeezed.
//
// Duration and seed come from PARLET_SOAK_HOURS and PARLET_SOAK_SEED. The
// default, three minutes, is a run under the sanitizers in the test build;
// scripts/run-soak.sh runs it for hours on an optimized build.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <string>

#include "DeliveryLedger.h"
#include "HeapInUse.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"
#include "tests/station/StationFixture.h"

namespace {

constexpr std::int64_t HourMs = 3'600'000;
constexpr std::int64_t MessageEveryMs = 7000;
constexpr std::int64_t StepMs = 10;
constexpr std::int64_t DrainMs = 30'000;
constexpr int CourtesyDelayMs = 400;
constexpr std::int64_t KeyingAllowanceMs = 2000; // beyond frames and courtesy delay
constexpr double QuietNoiseRms = 0.001;
constexpr double HeavyNoiseRms = 0.02;
constexpr double SkewPpm = 50; // how much slower B's card runs than A's
constexpr std::int64_t SkewRenewEveryMs = 60'000;
constexpr std::int64_t QuietBeforeRenewMs = 1000;
constexpr double MemoryGrowthAllowed = 0.03;

double EnvNumber(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtod(text, nullptr) : fallback;
}

// The channel's noise follows a fixed plan: in every period (an hour, or the
// whole run when shorter) minutes 50 to 55 of 60 carry heavy noise.
class TNoisePlan {
public:
    explicit TNoisePlan(std::int64_t runMs)
        : FPeriodMs(std::min(HourMs, runMs))
    {
    }

    bool HeavyAt(std::int64_t ms) const
    {
        const std::int64_t inPeriod = ms % FPeriodMs;
        return inPeriod >= FPeriodMs * 50 / 60 && inPeriod < FPeriodMs * 55 / 60;
    }
    // Whether any moment of [fromMs, toMs] is heavy.
    bool HeavyDuring(std::int64_t fromMs, std::int64_t toMs) const
    {
        for (std::int64_t period = fromMs / FPeriodMs; period <= toMs / FPeriodMs; ++period) {
            const std::int64_t begin = period * FPeriodMs + FPeriodMs * 50 / 60;
            const std::int64_t end = period * FPeriodMs + FPeriodMs * 55 / 60;
            if (fromMs < end && toMs >= begin) return true;
        }
        return false;
    }

private:
    std::int64_t FPeriodMs;
};

// Air time of one queued text, in whole milliseconds rounded up.
std::int64_t FrameMs(const std::string& queued)
{
    return (TFfskMessage::FrameAirtimeUs(queued.size()) + 999) / 1000;
}

// The text the receiver delivers for a tagged body: "SMS>" + body goes out in
// blocks of 8 filled up with 0x00, and the prefix is taken off again.
std::string AsDelivered(const std::string& body)
{
    std::string text = body;
    text.append((8 - (4 + body.size()) % 8) % 8, '\0');
    return text;
}

// The PTT keyings of one station: each is measured against the air time of
// the text it carries (one text per keying: the queue hands one over every
// 5 s and no keying lasts that long).
class TKeyingWatch {
public:
    void Queued(const std::string& queued) { FFrames.push_back(FrameMs(queued)); }

    void Poll(bool keyed, std::int64_t nowMs)
    {
        if (keyed == FKeyed) return;
        FKeyed = keyed;
        if (keyed) {
            FUpAtMs = nowMs;
            return;
        }
        FDownAtMs = nowMs;
        ++FKeyings;
        const std::int64_t held = nowMs - FUpAtMs;
        if (FFrames.empty()) {
            ++FUnexplained;
            return;
        }
        const std::int64_t beyond = held - FFrames.front() - CourtesyDelayMs;
        FFrames.pop_front();
        FMaxBeyondMs = std::max(FMaxBeyondMs, beyond);
        FMinBeyondMs = std::min(FMinBeyondMs, beyond);
        if (beyond > KeyingAllowanceMs) ++FTooLong;
    }

    bool Keyed() const { return FKeyed; }
    bool QuietFor(std::int64_t ms, std::int64_t nowMs) const { return !FKeyed && nowMs - FDownAtMs >= ms; }
    std::uint64_t FKeyings = 0;
    std::uint64_t FTooLong = 0;
    std::uint64_t FUnexplained = 0; // keyings with no text to carry
    std::int64_t FMaxBeyondMs = INT64_MIN;
    std::int64_t FMinBeyondMs = INT64_MAX;
    std::size_t Unkeyed() const { return FFrames.size(); }

private:
    std::deque<std::int64_t> FFrames;
    bool FKeyed = false;
    std::int64_t FUpAtMs = 0;
    std::int64_t FDownAtMs = 0;
};

// One station of the soak with its random traffic.
class TSoakStation {
public:
    TSoakStation(const std::string& name, std::uint32_t seed)
        : station(RtsStationSettings(name, CourtesyDelayMs))
        , FRandom(seed)
    {
        // A day of played audio would not fit in memory.
        station.sound.SetRecordPlayback(false);
    }

    void Open(TVirtualLoop& loop, TDeliveryLedger& heardFromOther, const TNoisePlan& noise)
    {
        TFFSKTranceiver& t = station.Open();
        FListening = t.OnReceive.Connect([&, this](TObject*, const TMessageRecord& record) {
            if (record.IsSent()) {
                if (record.State == TSendState::Queued) FEcho = record.RawBody;
                return;
            }
            const std::int64_t now = loop.NowMs();
            const std::string& text = record.RawBody;
            heardFromOther.Received(
                record.Type == TMessageType::Sms ? text : "LOC>" + text, now, noise.HeavyDuring(now - 4000, now));
        });
    }

    // Sends one random text under a random operator name; tells the other
    // end's ledger what it should receive.
    void SendRandom(std::int64_t nowMs, TDeliveryLedger& otherLedger, const TNoisePlan& noise)
    {
        TFFSKTranceiver& t = *station.transceiver;
        t.Settings().SetOperaterName(RandomName());
        t.SendText(RandomText());
        keying.Queued("SMS>" + FEcho);
        // Queue wait (up to 5 s), keying and decoding all fall in this span.
        otherLedger.Sent(AsDelivered(FEcho), nowMs, noise.HeavyDuring(nowMs, nowMs + 12'000));
    }

    TSimulatedStation station;
    TKeyingWatch keying;

private:
    std::string RandomText()
    {
        const int length = std::uniform_int_distribution<int>(1, 200)(FRandom);
        std::string text;
        for (int i = 0; i < length; ++i) {
            // Mostly printable ASCII, some Windows-1252 letters.
            const bool accented = std::uniform_int_distribution<int>(0, 9)(FRandom) == 0;
            text += static_cast<char>(accented ? std::uniform_int_distribution<int>(0xC0, 0xFF)(FRandom)
                                               : std::uniform_int_distribution<int>(0x20, 0x7E)(FRandom));
        }
        return text;
    }

    std::string RandomName()
    {
        static const char* const extras[] = {"", "", "", "", " server", " link", "gateway "};
        const int length = std::uniform_int_distribution<int>(1, 24)(FRandom);
        std::string name;
        for (int i = 0; i < length; ++i) {
            const int pick = std::uniform_int_distribution<int>(0, 26)(FRandom);
            name += pick == 26 ? ' ' : static_cast<char>('a' + pick);
        }
        return name + extras[std::uniform_int_distribution<int>(0, 6)(FRandom)];
    }

    std::mt19937 FRandom;
    std::string FEcho;
    TConnection FListening;
};

struct TMemoryFigures {
    std::size_t heapEarly = 0;
    std::size_t heapEnd = 0;
    std::size_t residentEarly = 0;
    std::size_t residentEnd = 0;
    std::int64_t earlyAtMs = 0;
};

void PrintCounts(std::FILE* out, const char* direction, const TDeliveryLedger& ledger)
{
    const auto& q = ledger.Quiet();
    const auto& n = ledger.Noisy();
    std::fprintf(out,
        "soak: %s quiet: sent %llu delivered %llu lost %llu duplicated %llu unsent %llu | "
        "noisy: sent %llu delivered %llu lost %llu duplicated %llu unsent %llu\n",
        direction, (unsigned long long)q.sent, (unsigned long long)q.delivered, (unsigned long long)q.lost,
        (unsigned long long)q.duplicated, (unsigned long long)q.unsent, (unsigned long long)n.sent,
        (unsigned long long)n.delivered, (unsigned long long)n.lost, (unsigned long long)n.duplicated,
        (unsigned long long)n.unsent);
}

void PrintKeying(std::FILE* out, const char* station, const TKeyingWatch& k)
{
    std::fprintf(out,
        "soak: %s keyings %llu, longest beyond frames+courtesy %lld ms, shortest %lld ms, "
        "over the %lld ms allowance %llu, without a text %llu\n",
        station, (unsigned long long)k.FKeyings, (long long)k.FMaxBeyondMs, (long long)k.FMinBeyondMs,
        (long long)KeyingAllowanceMs, (unsigned long long)k.FTooLong, (unsigned long long)k.FUnexplained);
}

} // namespace

TEST(Soak, TwoStationsTalkAcrossNoisyCables)
{
    const double hours = EnvNumber("PARLET_SOAK_HOURS", 0.05);
    const auto seed = static_cast<std::uint32_t>(EnvNumber("PARLET_SOAK_SEED", 1));
    const auto runMs = static_cast<std::int64_t>(hours * HourMs);
    ASSERT_GE(runMs, 60'000) << "a soak shorter than a minute says nothing";
    const TNoisePlan noise(runMs);
    const double quietRms = EnvNumber("PARLET_SOAK_QUIET_RMS", QuietNoiseRms);
    const double heavyRms = EnvNumber("PARLET_SOAK_HEAVY_RMS", HeavyNoiseRms);
    const double skewPpm = EnvNumber("PARLET_SOAK_SKEW_PPM", SkewPpm);
    const auto skewRenewMs =
        static_cast<std::int64_t>(EnvNumber("PARLET_SOAK_SKEW_RENEW_S", SkewRenewEveryMs / 1000) * 1000);
    // Memory is compared with its level after the first hour, or after the
    // first quarter of a shorter run.
    TMemoryFigures memory;
    memory.earlyAtMs = std::min(HourMs, runMs / 4);

    TVirtualLoop loop;
    TSoakStation a("Anna", seed * 2 + 1);
    TSoakStation b("Bert", seed * 2 + 2);
    TVirtualCable toB(a.station.sound, b.station.sound);
    TVirtualCable toA(b.station.sound, a.station.sound);
    toB.SetGain(0.5);
    toB.SetClockSkewPpm(-skewPpm);
    toA.SetGain(0.7);
    toA.SetDcOffset(0.002);
    toA.SetClockSkewPpm(skewPpm);
    TDeliveryLedger heardByB, heardByA;
    a.Open(loop, heardByA, noise);
    b.Open(loop, heardByB, noise);

    bool heavy = true; // forces the first setting
    std::uint32_t noiseSeed = seed * 1000;
    auto applyNoise = [&](std::int64_t now) {
        if (noise.HeavyAt(now) == heavy) return;
        heavy = !heavy;
        const double rms = heavy ? heavyRms : quietRms;
        toB.SetNoise(rms, ++noiseSeed);
        toA.SetNoise(rms, ++noiseSeed);
    };
    applyNoise(0);

    // A renewal interval of 0 never renews.
    std::int64_t nextSkewRenewA = skewRenewMs, nextSkewRenewB = skewRenewMs;
    auto renewSkew = [&](TVirtualCable& cable, const TKeyingWatch& sender, std::int64_t& due, std::int64_t now) {
        if (skewRenewMs <= 0 || now < due || !sender.QuietFor(QuietBeforeRenewMs, now)) return;
        cable.SetClockSkewPpm(cable.ClockSkewPpm());
        due = now + skewRenewMs;
    };

    std::uint64_t overlapSteps = 0, keyedStepsA = 0, keyedStepsB = 0;
    std::int64_t nextA = 1000, nextB = 4500;
    const auto started = std::chrono::steady_clock::now();
    while (loop.NowMs() < runMs + DrainMs) {
        loop.AdvanceByMs(StepMs);
        const std::int64_t now = loop.NowMs();
        applyNoise(now);
        if (now >= nextA && now < runMs) {
            a.SendRandom(now, heardByB, noise);
            nextA += MessageEveryMs;
        }
        if (now >= nextB && now < runMs) {
            b.SendRandom(now, heardByA, noise);
            nextB += MessageEveryMs;
        }
        a.keying.Poll(a.station.Rts(), now);
        b.keying.Poll(b.station.Rts(), now);
        renewSkew(toB, a.keying, nextSkewRenewA, now);
        renewSkew(toA, b.keying, nextSkewRenewB, now);
        keyedStepsA += a.keying.Keyed();
        keyedStepsB += b.keying.Keyed();
        overlapSteps += a.keying.Keyed() && b.keying.Keyed();
        if (memory.heapEarly == 0 && now >= memory.earlyAtMs) {
            memory.heapEarly = HeapInUse();
            memory.residentEarly = ResidentBytes();
        }
    }
    memory.heapEnd = HeapInUse();
    memory.residentEnd = ResidentBytes();
    heardByA.Finish();
    heardByB.Finish();
    const double realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::string reportPath = std::getenv("PARLET_SOAK_REPORT") ? std::getenv("PARLET_SOAK_REPORT") : "";
    std::FILE* file = reportPath.empty() ? nullptr : std::fopen(reportPath.c_str(), "a");
    for (std::FILE* out : {stdout, file}) {
        if (!out) continue;
        std::fprintf(out, "soak: %.2f h of virtual time (seed %u) in %.0f s real, %.0fx real time\n", hours, seed,
            realSeconds, static_cast<double>(runMs + DrainMs) / 1000.0 / realSeconds);
        std::fprintf(out,
            "soak: noise rms %.4f, heavy %.4f; skew A->B %.0f ppm, B->A %.0f ppm, set afresh every %lld s\n", quietRms,
            heavyRms, toB.ClockSkewPpm(), toA.ClockSkewPpm(), static_cast<long long>(skewRenewMs / 1000));
        PrintCounts(out, "A->B", heardByB);
        PrintCounts(out, "B->A", heardByA);
        PrintKeying(out, "A", a.keying);
        PrintKeying(out, "B", b.keying);
        std::fprintf(out, "soak: keyed A %.1f%% B %.1f%% of the time, both at once %.1f%%\n",
            100.0 * static_cast<double>(keyedStepsA * StepMs) / static_cast<double>(runMs + DrainMs),
            100.0 * static_cast<double>(keyedStepsB * StepMs) / static_cast<double>(runMs + DrainMs),
            100.0 * static_cast<double>(overlapSteps * StepMs) / static_cast<double>(runMs + DrainMs));
        std::fprintf(out, "soak: heap %zu bytes after %lld s, %zu at the end (%+.2f%%); resident %zu -> %zu bytes\n",
            memory.heapEarly, static_cast<long long>(memory.earlyAtMs / 1000), memory.heapEnd,
            100.0 * (static_cast<double>(memory.heapEnd) - static_cast<double>(memory.heapEarly))
                / static_cast<double>(memory.heapEarly),
            memory.residentEarly, memory.residentEnd);
        std::fprintf(out, "soak: sound cards: underruns A %llu B %llu, overruns A %llu B %llu\n",
            (unsigned long long)a.station.sound.Underruns(), (unsigned long long)b.station.sound.Underruns(),
            (unsigned long long)a.station.sound.Overruns(), (unsigned long long)b.station.sound.Overruns());
        std::fflush(out);
    }
    if (file) std::fclose(file);

    for (const TDeliveryLedger* ledger : {&heardByB, &heardByA}) {
        const auto& q = ledger->Quiet();
        EXPECT_GT(q.sent, 0u);
        EXPECT_EQ(q.delivered, q.sent);
        EXPECT_EQ(q.lost, 0u);
        EXPECT_EQ(q.duplicated, 0u);
        EXPECT_EQ(q.unsent, 0u);
        EXPECT_EQ(ledger->Noisy().duplicated, 0u);
        for (const std::string& fault : ledger->QuietFaults()) ADD_FAILURE() << fault;
    }
    for (const TKeyingWatch* k : {&a.keying, &b.keying}) {
        EXPECT_EQ(k->FTooLong, 0u) << "a keying outlasted its frames, the courtesy delay and 2 s";
        EXPECT_EQ(k->FUnexplained, 0u) << "the radio was keyed with nothing to send";
        EXPECT_EQ(k->Unkeyed(), 0u) << "texts were never sent";
        EXPECT_FALSE(k->Keyed()) << "still keyed after the traffic stopped";
    }
    EXPECT_LE(static_cast<double>(memory.heapEnd), static_cast<double>(memory.heapEarly) * (1.0 + MemoryGrowthAllowed))
        << "the heap grew by more than " << MemoryGrowthAllowed * 100 << "% after the first hour";
}
