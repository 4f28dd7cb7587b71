#include "MessageAssembler.h"

#include <algorithm>

#include "modem/FrameFormat.h"

namespace {
bool HasPrefix(const std::string& chunk, std::string_view prefix)
{
    return chunk.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

TMessageAssembler::TMessageAssembler(TDeliver Deliver)
    : FDeliver(std::move(Deliver))
{
}

void TMessageAssembler::ShiftBit(bool Bit)
{
    for (std::size_t i = 0; i + 1 < FShiftReg.size(); ++i)
        FShiftReg[i] = static_cast<std::uint8_t>((FShiftReg[i] << 1) | (FShiftReg[i + 1] >> 7));
    FShiftReg.back() = static_cast<std::uint8_t>((FShiftReg.back() << 1) | (Bit ? 1 : 0));

    if (FShiftReg[0] != (FFSKFrame::SyncWord >> 8) || FShiftReg[1] != (FFSKFrame::SyncWord & 0xFF)) return;
    FChunk.assign(FShiftReg.begin() + 2, FShiftReg.end());
    // Cleared so that no bit of this block can be part of the next match.
    FShiftReg.fill(0);
    HandleChunk();
}

void TMessageAssembler::ClearRegister()
{
    FShiftReg.fill(0);
}

void TMessageAssembler::BufferEnded()
{
    if (FMessageOpen && ++FIdleBuffers > 1) {
        FMessageOpen = false;
        CompleteMessage();
    }
}

void TMessageAssembler::HandleChunk()
{
    if (HasPrefix(FChunk, FFSKFrame::SmsPrefix)) {
        if (FMessageOpen) CompleteMessage();
        FSmsText = FChunk;
        FIsSMS = true;
    } else if (HasPrefix(FChunk, FFSKFrame::LocPrefix)) {
        if (FMessageOpen) CompleteMessage();
        FLocText = FChunk;
        FIsSMS = false;
    } else if (FMessageOpen) {
        (FIsSMS ? FSmsText : FLocText) += FChunk;
    } else {
        // A block without a type while no message is open is the rest of a
        // message whose first block was not heard, or noise that matched the
        // sync word: delivering it would hand the operator a message nobody
        // sent, under a name cut from the middle of a text.
        return;
    }
    FMessageOpen = true;
    FIdleBuffers = 0;
}

void TMessageAssembler::CompleteMessage()
{
    std::string& text = FIsSMS ? FSmsText : FLocText;
    text.erase(0, std::min(FFSKFrame::PrefixLength, text.size()));
    // Moved out first, so that a handler sees an assembler ready for the
    // next message.
    const std::string message = std::move(text);
    text.clear();
    if (FDeliver) FDeliver(FIsSMS, message);
}
