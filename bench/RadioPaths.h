#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modem/BitDetector.h"
#include "modem/DecodedMessage.h"

// Models of the audio paths between two radios' audio ports, for the
// measurements and the seeded tests. Audio is in full-scale units (1.0 is
// 32768 on the 16-bit input) at 48000 samples/s.
using TAudio = std::vector<double>;

// A frame as the modulator renders it, with `peak` as the tones' peak,
// between lead and tail samples of silence.
TAudio FrameAudio(const std::vector<std::string>& texts, double peak, std::size_t lead, std::size_t tail);

// The voice band of a radio: a 300 Hz high-pass (4th order, as radios use
// against sub-audible tones) and a 3 kHz low-pass (4th order).
void VoiceBand(TAudio& audio);
void LowPass3k(TAudio& audio);
// Emphasis: +6 dB per octave between 300 Hz and 3 kHz (pre) or -6 dB
// (de), unity gain at 1 kHz.
void PreEmphasis(TAudio& audio);
void DeEmphasis(TAudio& audio);
// 50 Hz mains hum with its 3rd and 5th harmonics, the three together
// peaking at `peak`.
void AddHum(TAudio& audio, double peak);
// A transmit limiter: amplified by overdriveDb, clipped at the level the
// tones had, then the 3 kHz low-pass.
void OverdrivenLimiter(TAudio& audio, double overdriveDb);
// Narrow-band FM: pre-emphasis (when the sender has it), a deviation limiter,
// about 2 kHz peak deviation, carrier noise at cnrDb in 12.5 kHz (none above
// 200 dB), a 12.5 kHz channel filter, the discriminator, de-emphasis (when
// the receiver has it) and the voice band. The output's tones peak near the
// input's.
//
// A moving radio: the carrier fades (Rayleigh, or Rician with a direct path
// of K times the scattered power) with the given Doppler spread, CnrDb then
// being the mean; a noise squelch mutes the audio while the carrier is more
// than SquelchDb below its mean (smoothed over 5 ms; none below -100 dB); and the two
// radios are OffsetHz apart.
struct TFmLink {
    bool PreEmphasis = true;
    bool DeEmphasis = true;
    double CnrDb = 1000.0;
    std::uint32_t Seed = 1;
    double DopplerHz = 0; // 0: no fading
    double RicianK = 0; // 0: Rayleigh
    double SquelchDb = -1000.0;
    double OffsetHz = 0;
};
void FmLink(TAudio& audio, const TFmLink& link);
// The sender's clock against the receiver's: negative ppm, a slower sender.
void ClockSkew(TAudio& audio, double senderPpm);
void AddWhiteNoise(TAudio& audio, double rms, std::uint32_t seed);
// Scales the audio so that its largest sample is `peak`.
void ScaleToPeak(TAudio& audio, double peak);
// 16-bit capture samples, clipped at full scale.
std::vector<std::int16_t> ToCaptureSamples(const TAudio& audio);

// What the decoder delivers from capture samples fed in 200 ms buffers,
// followed by two idle buffers.
std::vector<TDecodedMessage> DecodeCapture(TDetectorKind kind, const std::vector<std::int16_t>& capture);

// The body a receiver delivers for a text: after the prefix, with the 0x00
// fill of its last block.
std::string ExpectedBody(const std::string& text);

// What the operator is shown of one sent text message: sure (right, no
// doubt), flagged (right, with doubt), marked (wrong, but every wrong
// character marked), WRONG (some wrong character shown as sure, or the
// wrong length) or lost (no text message delivered). The first text
// message delivered is judged; Other counts the rest.
enum class TOutcome { Sure, Flagged, Marked, Wrong, Lost };
struct TJudged {
    TOutcome Outcome = TOutcome::Lost;
    int Other = 0;
};
TJudged Judge(const std::string& text, const std::vector<TDecodedMessage>& deliveries);

// Outcomes counted over trials.
struct TOutcomeCounts {
    int Counts[5] {};
    int Other = 0;
    int Trials = 0;
    void Add(const TJudged& judged);
    int operator[](TOutcome outcome) const { return Counts[static_cast<int>(outcome)]; }
};
