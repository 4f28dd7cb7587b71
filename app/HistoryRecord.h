#pragma once

class TMessageHistory;
struct TMessageRecord;

// Writes what the history keeps of a station's record: a text sent, a text
// not sent with its reason, a text message heard with its doubt marked.
// Queued and on-air steps and heard LOC messages are not kept.
void AppendToHistory(TMessageHistory& history, const TMessageRecord& record);
