#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "modem/BitDetector.h"
#include "modem/DecodedMessage.h"

// The receive side of the message text layer: finds the 8-character block
// behind every sync word in the bit stream and joins blocks into "SMS>" and
// "LOC>" messages, each delivered once without its prefix. A block without a
// prefix only continues an open message; on its own it is dropped. A message
// ends when a new prefixed block arrives, or at the end of the second capture
// buffer in a row without a block.
//
// Within a message every block's sync word comes one block spacing after the
// one before. That spacing tells what was not heard: a block one bit early
// or late ends in a bit slip, a sync word two or more spacings on leaves
// blocks lost in between (kept in place as placeholders), and a sync word
// with a bit or two wrong at the expected place is taken when those bits
// were guesses. What the receiver doubts is marked byte by byte.
class TMessageAssembler {
public:
    using TDeliver = std::function<void(const TDecodedMessage& message)>;

    // A byte is doubtful when the least sure of its bits and the bit either
    // side has a smaller margin than this; measured in docs/performance.md.
    static constexpr float DoubtfulBelow = 0.45f;

    explicit TMessageAssembler(TDeliver deliver);

    // Every decision of the detector, one per bit period.
    void BitDecided(const TBitDecision& decision);
    // The end-of-message rule, once after every capture buffer.
    void BufferEnded();
    // Bit periods decided so far.
    std::int64_t BitCount() const { return FBitCount; }

private:
    static constexpr std::size_t RegisterBits = 80; // sync word and 8 characters
    static constexpr std::size_t History = 128; // a power of two above RegisterBits

    // The decision of a bit, by its count; the last History bits are kept.
    TBitDecision& Decision(std::int64_t bit);
    const TBitDecision& Decision(std::int64_t bit) const;
    // The register's first 16 bits: where a block's sync word sits.
    unsigned HeardSync() const;
    void ShiftBit(const TBitDecision& decision);
    void ClearRegister();
    bool SyncAt(std::int64_t bitsSinceBlock) const;
    void HandleBlock(std::int64_t bitsSinceBlock);
    void AppendBlock(bool doubtful);
    void MarkLastBlock();
    void CompleteMessage();

    TDeliver FDeliver;
    std::array<std::uint8_t, RegisterBits / 8> FShiftReg {}; // the last 80 bits, byte 0 the oldest
    std::array<TBitDecision, History> FBits {}; // the decisions of the last bits, by bit count
    std::int64_t FBitCount = 0; // bit periods so far
    std::int64_t FRegisterBits = 0; // bits shifted in since the register was cleared
    std::int64_t FLastBlockEnd = -1; // the bit count at the end of the open message's last block
    std::int64_t FLastSignalBit = -1; // the bit count at the last bit decided as 0 or 1
    bool FFaded = false; // the signal faded since the last block
    TDecodedMessage FMessage;
    bool FMessageOpen = false;
    // The powers at the open message's decisions, summed with their squares,
    // apart for each pattern of a bit and its two neighbours: the detector's
    // filter gives each pattern an envelope of its own, so the spread that
    // is noise is measured within a pattern.
    struct TPowerMoments {
        double Sum = 0, Squares = 0;
        std::int32_t Count = 0;
    };
    std::array<TPowerMoments, 8> FPowerByPattern {};
    std::int32_t FIdleBuffers = 0;
};
