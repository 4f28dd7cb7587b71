#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "modem/DecodedMessage.h"
#include "modem/MessageText.h"

// Everything the operator should see of one message, as the station raises
// it: a text sent from here (when it is queued, when it went on the air, or
// that it failed and why) or a message heard on the radio. Listeners (the
// window, the history, notifications, other programs) only show it.
enum class TMessageDirection { Sent, Heard };
enum class TSendState { Queued, OnAir, Sent, Failed };

struct TMessageRecord {
    TMessageDirection Direction = TMessageDirection::Heard;
    // For sent messages: which step this record reports. The same Id comes
    // back for each step of one text.
    TSendState State = TSendState::Queued;
    std::uint64_t Id = 0;
    // Why a sent message failed, in the user's language.
    std::string FailReason;
    TMessageType Type = TMessageType::Sms;
    // Sender, text (fill removed) and doubt, read once from the body.
    TMessageText Message;
    // As sent or heard, after the type prefix.
    std::string RawBody;
    // Signal-to-noise ratio over a heard message, in dB; NaN when unknown.
    double SnrDb = 0.0 / 0.0;
    std::chrono::system_clock::time_point Time;

    bool IsSent() const { return Direction == TMessageDirection::Sent; }
    bool Failed() const { return IsSent() && State == TSendState::Failed; }
    bool Damaged() const { return !Message.Doubt.empty() || Message.SenderDoubtful; }
};
