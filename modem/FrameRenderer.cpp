#include "FrameRenderer.h"

#include <cmath>

namespace {

// One bit of a tone of the given number of half-cycles per bit, starting at
// the midpoint and moving in the direction of sign.
TFrameRenderer::TTone MakeTone(int halfCycles, int sign)
{
    TFrameRenderer::TTone tone {};
    const long double pi = std::acos(-1.0L);
    for (std::uint32_t i = 0; i < TFrameRenderer::SamplesPerBit; ++i) {
        const long double v =
            std::sin(halfCycles * i * pi / TFrameRenderer::SamplesPerBit) * (sign * TFrameRenderer::Amplitude);
        tone[i] = static_cast<std::uint8_t>(std::lround(v) + TFrameRenderer::Midpoint);
    }
    return tone;
}

} // namespace

TFrameRenderer::TFrameRenderer()
    : FTone1200Up(MakeTone(2, 1))
    , FTone1200Down(MakeTone(2, -1))
    , FTone1800Up(MakeTone(3, 1))
    , FTone1800Down(MakeTone(3, -1))
{
}

const TFrameRenderer::TTone& TFrameRenderer::NextTone(bool bit)
{
    // A 1200 Hz bit is a whole cycle and keeps the direction of travel; an
    // 1800 Hz bit is one and a half cycles and reverses it.
    if (!bit) return FPhase ? FTone1200Up : FTone1200Down;
    const TTone& tone = FPhase ? FTone1800Up : FTone1800Down;
    FPhase = !FPhase;
    return tone;
}

void TFrameRenderer::AppendFrame(const std::string& text, bool preamble, std::vector<std::uint8_t>& samples)
{
    const auto appendBit = [&](bool bit) {
        const TTone& tone = NextTone(bit);
        samples.insert(samples.end(), tone.begin(), tone.end());
    };
    for (const std::uint8_t byte : FFSKFrame::FrameBytes(text, preamble))
        for (unsigned mask = 128; mask != 0; mask >>= 1) appendBit((byte & mask) != 0);
    appendBit(FFSKFrame::TailBit);
}

std::vector<std::uint8_t> TFrameRenderer::Render(const std::vector<std::string>& texts)
{
    TFrameRenderer renderer;
    std::vector<std::uint8_t> samples;
    for (std::size_t i = 0; i < texts.size(); ++i) renderer.AppendFrame(texts[i], i == 0, samples);
    return samples;
}
