#pragma once

#include "base/MainLoop.h"

// A slot for a widget's signal that runs handler under the main loop's guard:
// widgets must not let an exception through to Qt, so a handler's error goes
// to the top-level error report and the program carries on. The signal's
// arguments are not passed on.
template <typename Handler> auto GuardedSlot(Handler handler)
{
    return [handler] { TMainLoop::Current().Guarded(handler); };
}
