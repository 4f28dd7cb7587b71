// Failure injection for the ALSA back end's calls in tests: a program that
// links parlet_alsa_call_seam is linked with `--wrap` for the calls below,
// which fail as the test's TSystemCallSeam scripts them and otherwise go to
// ALSA. The PCM's name stands for the path.
#include <alsa/asoundlib.h>

#include "base/SystemCallSeam.h"

extern "C" {
int __real_snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode);
int __real_snd_pcm_prepare(snd_pcm_t* pcm);
int __real_snd_pcm_start(snd_pcm_t* pcm);
snd_pcm_sframes_t __real_snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size);
snd_pcm_sframes_t __real_snd_pcm_readi(snd_pcm_t* pcm, void* buffer, snd_pcm_uframes_t size);

int __wrap_snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode)
{
    if (const int error = ScriptedError(TSystemCall::PcmOpen, name ? name : "")) return -error;
    return __real_snd_pcm_open(pcm, name, stream, mode);
}

int __wrap_snd_pcm_prepare(snd_pcm_t* pcm)
{
    if (const int error = ScriptedError(TSystemCall::PcmPrepare, snd_pcm_name(pcm))) return -error;
    return __real_snd_pcm_prepare(pcm);
}

int __wrap_snd_pcm_start(snd_pcm_t* pcm)
{
    if (const int error = ScriptedError(TSystemCall::PcmStart, snd_pcm_name(pcm))) return -error;
    return __real_snd_pcm_start(pcm);
}

snd_pcm_sframes_t __wrap_snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size)
{
    if (const int error = ScriptedError(TSystemCall::PcmWrite, snd_pcm_name(pcm))) return -error;
    return __real_snd_pcm_writei(pcm, buffer, size);
}

snd_pcm_sframes_t __wrap_snd_pcm_readi(snd_pcm_t* pcm, void* buffer, snd_pcm_uframes_t size)
{
    if (const int error = ScriptedError(TSystemCall::PcmRead, snd_pcm_name(pcm))) return -error;
    return __real_snd_pcm_readi(pcm, buffer, size);
}
}
