#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <string>

#include "audio/NoticePoster.h"
#include "audio/SoundPlatform.h"

class TPulseConnection;
class TPulseSoundPlatform;

// One open stream on the sound server. The server asks for data (playback)
// or hands it over (capture) on the connection's event thread; the device
// moves it between the stream and the submitted buffers there (a list
// linked through DeviceNext, so queuing allocates nothing) and posts each
// finished buffer to the main loop. Every member is used with the
// connection locked. A stream the server kills (its sink or source removed,
// the server gone) is reported once as a failure notice; from then on the
// device holds the buffers until Reset and closes without draining.
class TPulseDevice : public TSoundDevice {
public:
    // Connects the stream to `deviceName` ("" for the server's choice) and
    // waits until it runs; `result` is 0 then, else the error.
    TPulseDevice(TPulseSoundPlatform& platform, TPulseConnection& connection, TWaveDirection direction,
        const TWaveFormat& format, const std::string& streamName, const std::string& deviceName, TSoundNoticeSink& sink,
        TWaveResult& result);
    ~TPulseDevice() override;

    TWaveResult Submit(TWaveBuffer& buffer) override;
    TWaveResult Start() override;
    TWaveResult Reset() override;
    TWaveResult Close() override;

private:
    TWaveResult Connect(const std::string& deviceName);
    void Release();
    // Event thread: the stream's state, a request for data, data to take.
    void StateChanged();
    void Write(std::size_t bytes);
    void Read();
    void FinishHead();
    void Closed();

    TPulseSoundPlatform& FPlatform;
    TPulseConnection& FConnection;
    const TWaveDirection FDirection;
    const TWaveFormat FFormat;
    TNoticePoster FPoster;
    pa_stream* FStream = nullptr;
    TWaveBuffer* FHead = nullptr;
    TWaveBuffer* FTail = nullptr;
    std::uint32_t FOffset = 0; // playback: bytes of the head written in this loop
    bool FRunning = false; // the stream reached its ready state
    bool FFailed = false;
    bool FCloseAsked = false;
    bool FClosed = false;
};
