#pragma once

#include <memory>

#include "base/Event.h"

class TInterface;
class TMediaMixer;
class TZYNClientSettings;
class TZYNWinAmpControl;

// Turns the other programs down while the channel is busy: from keying on,
// or from a reported reception, until both have ended (then they come back
// slowly, see TZYNWinAmpControl). A reception that ends while keyed with an
// ID or courtesy sound to follow leaves them down: the tail is still to go
// out.
class TMediaDucking {
public:
    TMediaDucking(TInterface& rig, TZYNClientSettings& settings, TMediaMixer& mixer);
    ~TMediaDucking();
    TMediaDucking(const TMediaDucking&) = delete;
    TMediaDucking& operator=(const TMediaDucking&) = delete;

    TZYNWinAmpControl& Control() { return *FControl; }

private:
    void PttChanged(bool ptt);
    void RigRxChanged(bool rigRx);

    TInterface& FRig;
    std::unique_ptr<TZYNWinAmpControl> FControl;
    TConnection FPttConnection;
    TConnection FRigRxConnection;
};
