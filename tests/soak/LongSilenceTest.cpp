// Half a day of an input that never crosses zero (a muted or gated sound
// card hands over exact zeros), then a frame: the receiver must still hear
// it. A day of samples takes seconds only on an optimized build, so this
// runs with the long soak (PARLET_SOAK_HOURS set), not in the sanitized run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/modem/ModemTestKit.h"

using namespace modemtest;

TEST(LongSilence, ReceiverHearsAFrameAfterThirteenHoursOfZeros)
{
    if (!std::getenv("PARLET_SOAK_HOURS")) GTEST_SKIP() << "runs in the optimized soak build (scripts/run-soak.sh)";
    TDirectReceiver rx;
    const std::vector<std::int16_t> zeros(TFFSKDecoder::BufferSamples, 0);
    // 13 hours: more samples than a 32-bit count holds.
    const std::uint64_t buffers = 13ull * 3600 * 48000 / TFFSKDecoder::BufferSamples;
    for (std::uint64_t i = 0; i < buffers; ++i) rx.Decoder().DecodeBuffer(zeros);
    rx.Feed(ToCapture(RenderFrame("SMS>Anna>>still here")));
    ASSERT_EQ(rx.Messages.size(), 1u);
    EXPECT_EQ(rx.Messages[0].RxString, std::string("Anna>>still here") + std::string(4, '\0'));
}
