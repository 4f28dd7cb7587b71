#include "audio/WaveOut.h"

#include <algorithm>

TWaveAudioOut::TWaveAudioOut(TSoundPlatform& platform)
    : TWaveAudioIO(platform, TWaveDirection::Playback)
{
}

std::uint32_t TWaveAudioOut::GetData(std::uint8_t*, std::uint32_t)
{
    return 0;
}

void TWaveAudioOut::OpenNotice()
{
    if (FBuffers.empty()) PostSelfNotice();
    if (!FDestroying) OnActivate(this);
}

// A returned header (or none, when the stream asks itself for one more
// buffer) is refilled and written at once while streaming; with BufferCount 2
// the opened notice leads to two fills in a row, and from then on two
// buffers are always queued.
void TWaveAudioOut::BufferNotice(THeader* header)
{
    const bool refill = !Closing() && (header ? FBuffers.size() <= BufferCount() : FBuffers.size() < BufferCount());
    if (refill) {
        if (!header) header = NewHeader();
        if (PrepareBlock(*header, BufferBytes())) {
            const std::uint32_t supplied = std::min(GetData(header->Data, header->BlockSize), header->BlockSize);
            header->BufferLength = supplied;
            // A handler may have deactivated the stream meanwhile: that
            // close stands even when it supplied data.
            if (supplied == 0) BeginClosing();
            if (!Closing()) {
                RaiseLevel(header->Data, supplied);
                if (!Submit(*header)) {
                    FreeHeader(header);
                    header = nullptr;
                }
                if (FBuffers.size() < BufferCount()) PostSelfNotice();
            }
        }
    }
    // A header that was not written again (closing, a failed block, or more
    // headers than BufferCount) is freed, so a close can always complete.
    if (header && !header->Queued) FreeHeader(header);
    if (Closing() && FBuffers.empty()) CloseDevice();
}
