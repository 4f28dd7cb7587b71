#include "audio/PulseConnection.h"

#include <cerrno>
#include <stdexcept>

TPulseConnection::TPulseConnection(const std::string& clientName)
    : FClientName(clientName)
    , FLoop(pa_threaded_mainloop_new())
{
    if (!FLoop || pa_threaded_mainloop_start(FLoop) < 0) {
        if (FLoop) pa_threaded_mainloop_free(FLoop);
        throw std::runtime_error("The sound server's event thread could not be started");
    }
}

TPulseConnection::~TPulseConnection()
{
    {
        TLock lock(*this);
        Disconnect();
    }
    pa_threaded_mainloop_stop(FLoop);
    pa_threaded_mainloop_free(FLoop);
}

void TPulseConnection::Disconnect()
{
    if (!FContext) return;
    pa_context_set_state_callback(FContext, nullptr, nullptr);
    pa_context_set_subscribe_callback(FContext, nullptr, nullptr);
    pa_context_disconnect(FContext);
    pa_context_unref(FContext);
    FContext = nullptr;
}

bool TPulseConnection::Connected() const
{
    return FContext && pa_context_get_state(FContext) == PA_CONTEXT_READY;
}

bool TPulseConnection::Connect(pa_subscription_mask_t events)
{
    if (Connected()) return true;
    Disconnect();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, FClientName.c_str());
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "parlet");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "parlet");
    FContext = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(FLoop), FClientName.c_str(), properties);
    pa_proplist_free(properties);
    if (!FContext) return false;
    pa_context_set_state_callback(
        FContext, [](pa_context*, void* self) { static_cast<TPulseConnection*>(self)->Signal(); }, this);
    // No server is started on the program's behalf: without one, ALSA plays.
    if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        Disconnect();
        return false;
    }
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(FContext);
        if (state == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            Disconnect();
            return false;
        }
        WaitForSignal();
    }
    if (events != PA_SUBSCRIPTION_MASK_NULL) {
        pa_context_set_subscribe_callback(
            FContext,
            [](pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
                auto* connection = static_cast<TPulseConnection*>(self);
                if (connection->OnEvent) connection->OnEvent(type, index);
            },
            this);
        // The answer is not waited for: events simply start to arrive.
        if (pa_operation* operation = pa_context_subscribe(FContext, events, nullptr, nullptr))
            pa_operation_unref(operation);
    }
    return true;
}

void TPulseConnection::Wait(pa_operation* operation)
{
    if (!operation) return;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) WaitForSignal();
    pa_operation_unref(operation);
}

int TPulseConnection::LastError() const
{
    return FContext ? ErrnoOfPulseError(pa_context_errno(FContext)) : ECONNREFUSED;
}

int ErrnoOfPulseError(int pulseError)
{
    switch (pulseError) {
    case PA_OK:
        return 0;
    case PA_ERR_NOENTITY:
        return ENODEV;
    case PA_ERR_ACCESS:
        return EACCES;
    case PA_ERR_INVALID:
    case PA_ERR_NOTSUPPORTED:
        return EINVAL;
    case PA_ERR_BUSY:
        return EBUSY;
    case PA_ERR_TIMEOUT:
        return ETIMEDOUT;
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
        return ECONNREFUSED;
    case PA_ERR_KILLED:
        return ENODEV;
    default:
        return EIO;
    }
}
