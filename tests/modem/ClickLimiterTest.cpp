#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "RadioPaths.h"
#include "modem/ClickLimiter.h"

namespace {

// A tone of the given peak in 16-bit units, after `from` samples of silence.
TAudio Tone(double hz, double peak, std::size_t count, std::size_t from = 0)
{
    TAudio audio(from + count, 0.0);
    for (std::size_t n = 0; n < count; ++n)
        audio[from + n] = peak / 32768 * std::sin(2 * std::acos(-1.0) * hz * double(n) / 48000);
    return audio;
}

std::vector<std::int32_t> Limit(const TAudio& in)
{
    std::vector<std::int32_t> out(in.size());
    TClickLimiter().Limit(ToCaptureSamples(in), out.data());
    return out;
}

std::int32_t Peak(const std::vector<std::int32_t>& samples, std::size_t from, std::size_t to)
{
    return std::abs(*std::max_element(samples.begin() + from, samples.begin() + to,
        [](std::int32_t a, std::int32_t b) { return std::abs(a) < std::abs(b); }));
}

} // namespace

TEST(ClickLimiter, TonesKeepTheirSizeAndSilenceStaysSilent)
{
    const auto silence = Limit(TAudio(4800, 0.0));
    EXPECT_EQ(Peak(silence, 0, silence.size()), 0);

    // After 10 ms of silence a tone is at its size within 3 ms (a few bits):
    // 1500 Hz at its peak less the clipping (0.81 of it), 1200 Hz lower and
    // 1800 Hz higher by the differencing's tilt.
    for (const auto& [hz, size] : {std::pair {1200.0, 0.66}, {1500.0, 0.81}, {1800.0, 0.93}}) {
        const auto out = Limit(Tone(hz, 8000, 4800, 480));
        EXPECT_NEAR(Peak(out, 480 + 144, 480 + 240), 8000 * size, 8000 * 0.05) << hz;
        EXPECT_NEAR(Peak(out, 480 + 2400, out.size()), 8000 * size, 8000 * 0.05) << hz;
    }
    // Full scale does not run over the 16-bit range.
    const auto loud = Limit(Tone(1500, 32767, 4800));
    EXPECT_LE(Peak(loud, 0, loud.size()), 32767);
    EXPECT_GT(Peak(loud, 0, loud.size()), 32767 * 0.8);
}

TEST(ClickLimiter, AClickIsCutToTheToneAroundIt)
{
    // A click as it leaves a receiver's de-emphasis: a bump ten times the
    // tone's peak, decaying over a millisecond.
    TAudio in = Tone(1200, 3000, 9600);
    double bump = 30000.0 / 32768;
    for (std::size_t n = 4800; n < 4800 + 240; ++n, bump *= 0.96) in[n] += bump;
    const auto out = Limit(in);
    const std::int32_t tone = Peak(out, 2400, 4800);
    EXPECT_LE(Peak(out, 4800, 4800 + 480), tone * 1.5);
    // Its front, far taller than the tone, is blanked rather than clipped.
    EXPECT_EQ(Peak(out, 4801, 4806), 0);
    // The click does not lift the level for what follows.
    EXPECT_NEAR(Peak(out, 4800 + 960, 9600), tone, tone * 0.1);
}
