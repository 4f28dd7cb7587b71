#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "audio/AlsaSoundPlatform.h"
#include "audio/PulseSoundPlatform.h"

// The two real sound back ends; tests that play and record for real run on
// each of them.
enum class TSoundBackend { Alsa, SoundServer };

inline std::unique_ptr<TSoundPlatform> MakeSoundBackend(TSoundBackend backend)
{
    if (backend == TSoundBackend::Alsa) return std::make_unique<TAlsaSoundPlatform>();
    auto server = TPulseSoundPlatform::Connect("FFSK to radio", "FFSK from radio");
    if (!server) throw std::runtime_error("no sound server answers");
    return server;
}

inline std::string SoundBackendName(const testing::TestParamInfo<TSoundBackend>& info)
{
    return info.param == TSoundBackend::Alsa ? "Alsa" : "SoundServer";
}

inline std::uint64_t UnderrunsOf(TSoundPlatform& platform)
{
    if (auto* alsa = dynamic_cast<TAlsaSoundPlatform*>(&platform)) return alsa->Underruns();
    return dynamic_cast<TPulseSoundPlatform&>(platform).Underruns();
}

inline std::uint64_t OverrunsOf(TSoundPlatform& platform)
{
    if (auto* alsa = dynamic_cast<TAlsaSoundPlatform*>(&platform)) return alsa->Overruns();
    return dynamic_cast<TPulseSoundPlatform&>(platform).Overruns();
}
