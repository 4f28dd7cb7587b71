#include "MessageAssembler.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "modem/FrameFormat.h"

namespace {

constexpr std::int64_t BlockSpacing = FFSKFrame::BlockBits;
// Blocks lost in a row that are still kept in place; more than this and
// the next sync word belongs to something else.
constexpr std::int64_t MostBlocksLost = 3;
// Wrong bits a sync word at the expected place may have.
constexpr int MostSyncErrors = 2;
// The signal-to-noise ratio is given for the 1.2 kHz the tones take (900 to
// 2100 Hz); at the decisions the detector reads it this much lower (its
// filter's own band, decisions off the peak), measured on white noise.
constexpr double DetectorLossDb = 2.7;

// The pattern of a decided bit and its two neighbours, 0..7; -1 where one
// of them is no bit.
int BitPattern(const TBitDecision& before, const TBitDecision& bit, const TBitDecision& after)
{
    int pattern = 0;
    for (const TBitDecision* d : {&before, &bit, &after}) {
        if (d->Value != TBitValue::Zero && d->Value != TBitValue::One) return -1;
        pattern = 2 * pattern + (d->Value == TBitValue::One ? 1 : 0);
    }
    return pattern;
}

bool HasPrefix(const std::string& body, std::size_t from, std::string_view prefix)
{
    return body.compare(from, prefix.size(), prefix) == 0;
}

} // namespace

TMessageAssembler::TMessageAssembler(TDeliver deliver)
    : FDeliver(std::move(deliver))
{
}

void TMessageAssembler::BitDecided(const TBitDecision& decision)
{
    ++FBitCount;
    Decision(FBitCount) = decision;
    if (decision.Value == TBitValue::Zero || decision.Value == TBitValue::One) {
        FLastSignalBit = FBitCount;
        ShiftBit(decision);
    }
    if (decision.Value == TBitValue::Lost) {
        // The signal stopped: a sync word heard just before (a frame cut
        // short) must not take the first bits of the next transmission as
        // its block.
        ClearRegister();
        FFaded = true;
    }
}

TBitDecision& TMessageAssembler::Decision(std::int64_t bit)
{
    return FBits[static_cast<std::size_t>(bit) & (History - 1)];
}

const TBitDecision& TMessageAssembler::Decision(std::int64_t bit) const
{
    return FBits[static_cast<std::size_t>(bit) & (History - 1)];
}

unsigned TMessageAssembler::HeardSync() const
{
    return (unsigned {FShiftReg[0]} << 8) | FShiftReg[1];
}

void TMessageAssembler::ClearRegister()
{
    FShiftReg.fill(0);
    FRegisterBits = 0;
}

void TMessageAssembler::ShiftBit(const TBitDecision& decision)
{
    for (std::size_t i = 0; i + 1 < FShiftReg.size(); ++i)
        FShiftReg[i] = static_cast<std::uint8_t>((FShiftReg[i] << 1) | (FShiftReg[i + 1] >> 7));
    FShiftReg.back() = static_cast<std::uint8_t>((FShiftReg.back() << 1) | (decision.Value == TBitValue::One));
    ++FRegisterBits;

    const std::int64_t since = FMessageOpen ? FBitCount - FLastBlockEnd : -1;
    if (!SyncAt(since)) return;
    HandleBlock(since);
    // Cleared so that no bit of this block can be part of the next match.
    ClearRegister();
}

bool TMessageAssembler::SyncAt(std::int64_t bitsSinceBlock) const
{
    const unsigned heard = HeardSync();
    if (heard == FFSKFrame::SyncWord) return true;
    // Within a message, at a block spacing on from its last block: a sync
    // word with a bit or two wrong, each of them a guess.
    if (bitsSinceBlock <= 0 || bitsSinceBlock % BlockSpacing != 0
        || bitsSinceBlock > (MostBlocksLost + 1) * BlockSpacing
        || FRegisterBits < static_cast<std::int64_t>(RegisterBits))
        return false;
    const unsigned wrong = heard ^ FFSKFrame::SyncWord;
    if (std::popcount(wrong) > MostSyncErrors) return false;
    for (int i = 0; i < 16; ++i) {
        if (!(wrong & (0x8000u >> i))) continue;
        const std::int64_t bit = FBitCount - static_cast<std::int64_t>(RegisterBits) + 1 + i;
        if (Decision(bit).Margin >= DoubtfulBelow) return false;
    }
    return true;
}

void TMessageAssembler::HandleBlock(std::int64_t bitsSinceBlock)
{
    const unsigned heard = HeardSync();
    const bool exactSync = heard == FFSKFrame::SyncWord;
    const std::string chunk(FShiftReg.begin() + 2, FShiftReg.end());
    const bool sms = HasPrefix(chunk, 0, FFSKFrame::SmsPrefix);
    if (sms || HasPrefix(chunk, 0, FFSKFrame::LocPrefix)) {
        if (FMessageOpen) CompleteMessage();
        FMessage = {};
        FMessage.Type = sms ? TMessageType::Sms : TMessageType::Loc;
        const TBitDecision& syncStart =
            Decision(FBitCount - static_cast<std::int64_t>(RegisterBits) + 1);
        FMessage.StartSample = syncStart.EndSample - FFSKFrame::SamplesPerBit;
        FPowerByPattern = {};
        AppendBlock(!exactSync);
        FMessageOpen = true;
    } else if (FMessageOpen) {
        // Where the spacing is whole blocks, the lost ones keep their place.
        const std::int64_t nearest = (bitsSinceBlock + BlockSpacing / 2) / BlockSpacing;
        const std::int64_t off = bitsSinceBlock - nearest * BlockSpacing;
        const bool inStep = nearest >= 1 && nearest <= MostBlocksLost + 1 && off >= -1 && off <= 1;
        if (inStep) {
            for (std::int64_t lost = 1; lost < nearest; ++lost) {
                FMessage.Body.append(FFSKFrame::BlockChars, '\0');
                FMessage.Certainty.resize(FMessage.Body.size(), TCharCertainty::NotHeard);
            }
        }
        // A block one bit early or late says a bit slipped since the last
        // block's sync word, most likely in that block's characters. A block
        // after a fade or a lost block may hold bits of noise.
        if (inStep && off != 0) MarkLastBlock();
        AppendBlock(!exactSync || nearest > 1 || FFaded || !inStep);
    } else {
        // A block without a type while no message is open is the rest of a
        // message whose first block was not heard, or noise that matched the
        // sync word: delivering it would hand the operator a message nobody
        // sent, under a name cut from the middle of a text.
        return;
    }
    FLastBlockEnd = FBitCount;
    FFaded = false;
    FIdleBuffers = 0;
}

void TMessageAssembler::MarkLastBlock()
{
    const std::size_t from = FMessage.Certainty.size() - std::min(FMessage.Certainty.size(), FFSKFrame::BlockChars);
    for (std::size_t i = from; i < FMessage.Certainty.size(); ++i)
        if (FMessage.Certainty[i] == TCharCertainty::Sure) FMessage.Certainty[i] = TCharCertainty::Doubtful;
}

void TMessageAssembler::AppendBlock(bool doubtful)
{
    const std::int64_t first = FBitCount - static_cast<std::int64_t>(RegisterBits) + 1;
    FMessage.Body.append(FShiftReg.begin() + 2, FShiftReg.end());
    for (std::size_t c = 0; c < FFSKFrame::BlockChars; ++c) {
        // The character's bits and one either side: a noise burst that made
        // a bit of the character wrong while its own decision looked clear
        // most often shows on the decision next to it. The bit after the
        // last character is not decided yet.
        const std::int64_t from = first + 16 + static_cast<std::int64_t>(8 * c) - 1;
        const std::int64_t to = std::min(from + 9, FBitCount);
        float least = 1.0f;
        for (std::int64_t bit = from; bit <= to; ++bit)
            least = std::min(least, Decision(bit).Margin);
        FMessage.Certainty.push_back(
            doubtful || least < DoubtfulBelow ? TCharCertainty::Doubtful : TCharCertainty::Sure);
    }
    // The last bit's successor is not decided yet; it is left out.
    for (std::int64_t bit = first; bit + 1 <= FBitCount && bit < first + static_cast<std::int64_t>(RegisterBits);
        ++bit) {
        const TBitDecision& d = Decision(bit);
        const int pattern = BitPattern(Decision(bit - 1), d,
            Decision(bit + 1));
        if (d.Power < 0 || pattern < 0) continue;
        TPowerMoments& moments = FPowerByPattern[static_cast<std::size_t>(pattern)];
        moments.Sum += d.Power;
        moments.Squares += double {d.Power} * d.Power;
        ++moments.Count;
    }
}

void TMessageAssembler::BufferEnded()
{
    if (!FMessageOpen || ++FIdleBuffers <= 1) return;
    // The signal went on for a block's sync word and characters or more
    // after the last block heard, and that block was no last block (a last
    // block ends in the fill unless the text fills it): blocks at the end
    // were lost, and keep their place.
    const bool filled = FMessage.Body.find('\0', FMessage.Body.size() - FFSKFrame::BlockChars) != std::string::npos;
    const std::int64_t after = FLastSignalBit - FLastBlockEnd;
    constexpr auto blockBits = static_cast<std::int64_t>(RegisterBits);
    if (!filled && after >= blockBits) {
        const std::int64_t lost = std::min(MostBlocksLost, (after + BlockSpacing - blockBits) / BlockSpacing);
        FMessage.Body.append(static_cast<std::size_t>(lost) * FFSKFrame::BlockChars, '\0');
        FMessage.Certainty.resize(FMessage.Body.size(), TCharCertainty::NotHeard);
    }
    CompleteMessage();
}

void TMessageAssembler::CompleteMessage()
{
    FMessageOpen = false;
    FMessage.Body.erase(0, std::min(FFSKFrame::PrefixLength, FMessage.Body.size()));
    FMessage.Certainty.erase(FMessage.Certainty.begin(),
        FMessage.Certainty.begin()
            + static_cast<std::ptrdiff_t>(std::min(FFSKFrame::PrefixLength, FMessage.Certainty.size())));
    if (std::all_of(FMessage.Certainty.begin(), FMessage.Certainty.end(),
            [](TCharCertainty c) { return c == TCharCertainty::Sure; }))
        FMessage.Certainty.clear();
    // Within a pattern the tones have a constant envelope: the first two
    // moments of the power at the decisions part it from the noise's.
    double signal = 0, noise = 0, total = 0;
    for (const TPowerMoments& moments : FPowerByPattern) {
        if (moments.Count < 2) continue;
        const double m2 = moments.Sum / moments.Count;
        const double m4 = moments.Squares / moments.Count;
        const double s = std::sqrt(std::max(2 * m2 * m2 - m4, 0.0));
        signal += moments.Count * s;
        noise += moments.Count * (m2 - s);
        total += moments.Count * m2;
    }
    if (total > 0)
        FMessage.SnrDb =
            10 * std::log10(std::max(signal, 1e-3 * total) / std::max(noise, 1e-3 * total)) + DetectorLossDb;
    // Moved out first, so that a handler sees an assembler ready for the
    // next message.
    const TDecodedMessage message = std::move(FMessage);
    FMessage = {};
    if (FDeliver) FDeliver(message);
}
