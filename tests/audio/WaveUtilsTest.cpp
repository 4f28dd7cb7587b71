#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/WaveUtils.h"

TEST(WaveUtils, FormatRecordFollowsTheValueRule)
{
    for (int v = 1; v <= 20; ++v) {
        const TWaveFormat f = BuildPCMFormat(static_cast<TPCMFormat>(v));
        const int code = v - 1;
        const std::uint32_t rates[] = {8000, 11025, 22050, 44100, 48000};
        EXPECT_EQ(f.FormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.Channels, (code & 1) + 1) << v;
        EXPECT_EQ(f.BitsPerSample, (code & 2) ? 16 : 8) << v;
        EXPECT_EQ(f.SamplesPerSec, rates[code / 4]) << v;
        EXPECT_EQ(f.BlockAlign, f.Channels * f.BitsPerSample / 8) << v;
        EXPECT_EQ(f.AvgBytesPerSec, f.BlockAlign * f.SamplesPerSec) << v;
    }
    EXPECT_EQ(BuildPCMFormat(nonePCM).FormatTag, 0);
    EXPECT_EQ(BuildPCMFormat(static_cast<TPCMFormat>(21)).FormatTag, 0);
    EXPECT_EQ(sizeof(TWaveFormat), 16u);
}

TEST(WaveUtils, NamesAreTheEnumerators)
{
    EXPECT_EQ(std::string(PCMFormatName(Mono8Bit8000Hz)), "Mono8Bit8000Hz");
    EXPECT_EQ(std::string(PCMFormatName(Stereo16bit11025Hz)), "Stereo16bit11025Hz");
    EXPECT_EQ(std::string(PCMFormatName(Mono16bit48000Hz)), "Mono16bit48000Hz");
    EXPECT_EQ(std::string(PCMFormatName(static_cast<TPCMFormat>(42))), "");
}

TEST(WaveUtils, BufferBytesRoundsToWholeBlocks)
{
    EXPECT_EQ(BufferBytes(BuildPCMFormat(Mono16bit48000Hz), 200), 19200u);
    EXPECT_EQ(BufferBytes(BuildPCMFormat(Mono8bit48000Hz), 200), 9600u);
    // 44100 * 10 / 1000 = 441, up to a multiple of the block align 4.
    EXPECT_EQ(BufferBytes(BuildPCMFormat(Stereo16bit11025Hz), 10), 444u);
    // 11025 * 10 / 1000 = 110.25 rounds to 110 (block align 1).
    EXPECT_EQ(BufferBytes(BuildPCMFormat(Mono8bit11025Hz), 10), 110u);
    // 22050 * 2 * 11 / 1000 = 485.1 -> 485 -> 486.
    EXPECT_EQ(BufferBytes(BuildPCMFormat(Mono16bit22050Hz), 11), 486u);
}

namespace {
std::vector<std::uint8_t> Samples16(std::initializer_list<int> samples)
{
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xff));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xff));
    }
    return bytes;
}
} // namespace

TEST(WaveUtils, LevelOfSixteenBitBlocks)
{
    const TWaveFormat f = BuildPCMFormat(Mono16bit48000Hz);
    auto level = [&](std::initializer_list<int> s) {
        const auto b = Samples16(s);
        return ComputeLevel(b.data(), static_cast<std::uint32_t>(b.size()), f);
    };
    EXPECT_EQ(level({0, 32767, -32768}), 100);
    EXPECT_EQ(level({16383, -5}), 49);
    EXPECT_EQ(level({-1, -32768, -200}), 0);
    EXPECT_EQ(level({-3000, 327}), 0);
    EXPECT_EQ(level({-3000, 328}), 1);
    EXPECT_EQ(ComputeLevel(nullptr, 0, f), 0);
}

TEST(WaveUtils, LevelOfEightBitBlocks)
{
    const TWaveFormat f = BuildPCMFormat(Mono8bit48000Hz);
    auto level = [&](std::vector<std::uint8_t> b) {
        return ComputeLevel(b.data(), static_cast<std::uint32_t>(b.size()), f);
    };
    EXPECT_EQ(level({0, 255, 3}), 100);
    EXPECT_EQ(level({128, 127, 0}), 0);
    EXPECT_EQ(level({129}), 0);
    EXPECT_EQ(level({130}), 1);
    EXPECT_EQ(level({191}), 49);
}

TEST(WaveUtils, LevelOfOtherFormatsIsMinusOne)
{
    TWaveFormat f = BuildPCMFormat(Mono16bit48000Hz);
    const std::uint8_t block[4] = {1, 2, 3, 4};
    f.BitsPerSample = 24;
    EXPECT_EQ(ComputeLevel(block, 4, f), -1);
    f = BuildPCMFormat(Mono8bit48000Hz);
    f.FormatTag = 3;
    EXPECT_EQ(ComputeLevel(block, 4, f), -1);
}
