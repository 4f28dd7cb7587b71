#include "ModemTrial.h"

#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "RadioPaths.h"
#include "modem/FFSKDecoder.h"
#include "modem/FrameRenderer.h"

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
    const std::int64_t offset =
        channel.StartSamples >= 0 ? channel.StartSamples : std::mt19937(channel.Seed * 7919u + 1)() % 40;
    const double peak = channel.Peak / 32768.0;
    // Frame (at most a few seconds) plus the receiver's two-buffer rule.
    TAudio audio = FrameAudio({text}, peak, static_cast<std::size_t>(offset), 72000);
    // The tail bit ends off the zero line: the last tone ends after the last
    // sample that is not silence.
    const auto last = std::find_if(audio.rbegin(), audio.rend(), [](double x) { return x != 0; });
    const std::int64_t endSample = audio.rend() - last;
    ClockSkew(audio, channel.SenderPpm);
    if (channel.SnrDb < 500.0)
        AddWhiteNoise(audio, peak / std::sqrt(2.0) / std::pow(10.0, channel.SnrDb / 20.0), channel.Seed);
    const std::vector<std::int16_t> capture = ToCaptureSamples(audio);

    const std::string expected = ExpectedBody(text);
    TTrialResult result;
    std::int64_t deliveredAt = -1;
    std::int64_t bufferEnd = 0;
    TFFSKDecoder decoder(channel.Detector, [&](const TDecodedMessage& message) {
        if (message.Type == TMessageType::Sms && message.Body == expected && deliveredAt < 0)
            deliveredAt = bufferEnd;
        else
            ++result.OtherMessages;
    });
    const std::span<const std::int16_t> samples(capture);
    for (std::size_t at = 0; at < samples.size(); at += TFFSKDecoder::BufferSamples) {
        const auto buffer = samples.subspan(at, std::min(TFFSKDecoder::BufferSamples, samples.size() - at));
        bufferEnd = static_cast<std::int64_t>(at + TFFSKDecoder::BufferSamples);
        decoder.DecodeBuffer(buffer);
    }
    result.Exact = deliveredAt >= 0;
    if (result.Exact) {
        // Sender time runs slower or faster on the receiver's clock.
        const double endUs = endSample * (1000.0 / 48.0) * (1.0 - channel.SenderPpm * 1e-6);
        result.LatencyUs = std::llround(deliveredAt * (1000.0 / 48.0) - endUs);
    }
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
