#pragma once

#include "base/Exceptions.h"

// Failures of the audio streams.
class EWaveAudioError : public Exception {
public:
    using Exception::Exception;
};

// A device call failed; the message is the sound back end's own text.
class EWaveAudioSysError : public EWaveAudioError {
public:
    using EWaveAudioError::EWaveAudioError;
};

// An operation not allowed in the stream's present state.
class EWaveAudioInvalidOperation : public EWaveAudioError {
public:
    using EWaveAudioError::EWaveAudioError;
};
