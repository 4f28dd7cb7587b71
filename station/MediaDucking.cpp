#include "station/MediaDucking.h"

#include "media/untZYNWinAmpControl.h"
#include "rig/untInterface.h"

TMediaDucking::TMediaDucking(TInterface& rig, TZYNClientSettings& settings, TMediaMixer& mixer)
    : FRig(rig)
    , FControl(std::make_unique<TZYNWinAmpControl>(settings, mixer))
    , FPttConnection(rig.OnPttChange.Connect([this](TObject*, bool ptt) { PttChanged(ptt); }))
    , FRigRxConnection(rig.OnRigRxChange.Connect([this](TObject*, bool rigRx) { RigRxChanged(rigRx); }))
{
}

TMediaDucking::~TMediaDucking() = default;

void TMediaDucking::PttChanged(bool ptt)
{
    if (ptt)
        FControl->MuteMedia();
    else if (!FRig.RigRx())
        FControl->RestoreMedia();
}

void TMediaDucking::RigRxChanged(bool rigRx)
{
    if (rigRx) {
        FControl->MuteMedia();
        return;
    }
    if (!(FRig.TailFollows() && FRig.Ptt())) FControl->RestoreMedia();
}
