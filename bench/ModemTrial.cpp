#include "ModemTrial.h"

#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "audio/SimulatedClock.h"
#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"

namespace {
// The tones swing 20 steps of the 8-bit output around its midpoint; in the
// cable's full-scale units that is 20/128 at unity gain.
constexpr double UnityPeak = (147 - 128) * 256.0;
constexpr double ToneAmplitude = 20.0 / 128.0;
} // namespace

std::string TrialMessage(std::uint32_t seed, std::size_t length)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> printable(0x20, 0x7E);
    std::string text = "SMS>";
    while (text.size() < length) text.push_back(static_cast<char>(printable(random)));
    return text;
}

TTrialResult RunTrial(const TChannel& channel, const std::string& text)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    card.SetRecordPlayback(true);
    TVirtualCable cable(card, card);
    const double gain = channel.Peak / UnityPeak;
    cable.SetGain(gain);
    if (channel.SnrDb < 500.0) {
        const double toneRms = ToneAmplitude * gain / std::sqrt(2.0);
        cable.SetNoise(toneRms / std::pow(10.0, channel.SnrDb / 20.0), channel.Seed);
    }
    cable.SetClockSkewPpm(-channel.SenderPpm);

    std::string expected = text.substr(std::min<std::size_t>(4, text.size()));
    expected.append((8 - text.size() % 8) % 8, '\0');

    TTrialResult result;
    std::int64_t receivedUs = -1;
    auto receiver = std::make_unique<TFFSKReceiver>(card, channel.Detector);
    receiver->OnReceive = [&](TObject*, bool sms, const std::string& rx) {
        if (sms && rx == expected && receivedUs < 0) {
            receivedUs = loop.NowUs();
        } else {
            ++result.OtherMessages;
        }
    };
    const std::int64_t offset =
        channel.StartSamples >= 0 ? channel.StartSamples : std::mt19937(channel.Seed * 7919u + 1)() % 40;
    loop.AdvanceToUs(SimulatedClock::TicksToUsCeil(offset * SimulatedClock::PeriodTicks(48000)));
    auto modulator = std::make_unique<TFFSK>(card);
    const std::int64_t startSample = (loop.NowUs() * 48 + 999) / 1000;
    modulator->WriteText(text);
    // Frame (at most a few seconds) plus the receiver's two-buffer rule.
    const std::int64_t frameMs = static_cast<std::int64_t>(modulator->QueuedBytes()) / 48;
    loop.AdvanceByMs(frameMs + 1500);

    result.Exact = receivedUs >= 0;
    if (result.Exact) {
        // The tail bit ends off the midpoint: the last tone ends after the
        // last sample that is not silence, counted from the player's start.
        const auto played = card.TakePlayed();
        const auto last = std::find_if(played.rbegin(), played.rend(), [](std::uint8_t b) { return b != 127; });
        const std::int64_t endSample = startSample + (played.rend() - last);
        // Sender time runs slower or faster on the receiver's clock.
        const double endUs = endSample * (1000.0 / 48.0) * (1.0 - channel.SenderPpm * 1e-6);
        result.LatencyUs = receivedUs - static_cast<std::int64_t>(std::llround(endUs));
    }
    modulator.reset();
    receiver.reset();
    return result;
}

bool TakeTrialOption(const char* name, const char* value, TTrialOptions& options)
{
    if (!std::strcmp(name, "--trials"))
        options.Trials = std::atoi(value);
    else if (!std::strcmp(name, "--length"))
        options.Length = static_cast<std::size_t>(std::atoi(value));
    else if (!std::strcmp(name, "--seed"))
        options.Seed = static_cast<std::uint32_t>(std::atoll(value));
    else
        return false;
    return true;
}
