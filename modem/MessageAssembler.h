#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The receive side of the message text layer: finds the 8-character block
// behind every sync word in the bit stream and joins blocks into "SMS>" and
// "LOC>" messages, each delivered once without its prefix. A block without a
// prefix only continues an open message; on its own it is dropped. A message
// ends when a new prefixed block arrives, or at the end of the second capture
// buffer in a row without a block.
class TMessageAssembler {
public:
    using TDeliver = std::function<void(bool MessIsSMS, const std::string& RxString)>;

    explicit TMessageAssembler(TDeliver Deliver);

    void ShiftBit(bool Bit);
    // The signal stopped: a sync word heard just before (a frame cut short)
    // must not take the first bits of the next transmission as its block.
    void ClearRegister();
    // The end-of-message rule, once after every capture buffer.
    void BufferEnded();

    bool MessageOpen() const { return FMessageOpen; }

private:
    void HandleChunk();
    void CompleteMessage();

    TDeliver FDeliver;
    std::array<std::uint8_t, 10> FShiftReg {}; // the last 80 bits, byte 0 the oldest
    std::string FChunk;
    std::string FSmsText;
    std::string FLocText;
    bool FIsSMS = false;
    bool FMessageOpen = false;
    std::int32_t FIdleBuffers = 0;
};
