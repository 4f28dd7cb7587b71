#include "audio/WaveIn.h"
#include "base/Translation.h"

#include <algorithm>

TWaveAudioIn::TWaveAudioIn(TSoundPlatform& platform)
    : TWaveAudioIO(platform, TWaveDirection::Capture)
{
}

void TWaveAudioIn::SetPCMFormat(TPCMFormat value)
{
    if (value == FPCMFormat) return;
    if (FDevice) throw EWaveAudioInvalidOperation(Translated("Audio format cannot be changed while device is open"));
    FPCMFormat = value;
}

TWaveFormat TWaveAudioIn::FormatToOpen() const
{
    return BuildPCMFormat(FPCMFormat);
}

void TWaveAudioIn::DataReady(const std::uint8_t*, std::uint32_t)
{
}

void TWaveAudioIn::OpenNotice()
{
    while (FBuffers.size() < BufferCount() && FDevice && !Closing()) {
        THeader* header = NewHeader();
        if (!PrepareBlock(*header, BufferBytes())) {
            FreeHeader(header);
            break;
        }
        if (!Submit(*header)) {
            FreeHeader(header);
            break;
        }
    }
    if (!FDestroying) OnActivate(this);
    if (FDevice && !Closing()) CheckResult(FDevice->Start());
}

void TWaveAudioIn::BufferNotice(THeader* header)
{
    if (header->BytesRecorded > 0) {
        const std::uint32_t recorded = std::min(header->BytesRecorded, header->BlockSize);
        RaiseLevel(header->Data, recorded);
        DataReady(header->Data, recorded);
    }
    if (!Closing() && FBuffers.size() <= BufferCount() && PrepareBlock(*header, BufferBytes())) Submit(*header);
    if (!header->Queued) FreeHeader(header);
    if (Closing() && FBuffers.empty()) CloseDevice();
}
