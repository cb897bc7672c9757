#pragma once

#include "render/clock/TimerBase.h"

// The clock the encoders step: every frame change waits until all workers
// have finished the frame, so no encoded frame is ever incomplete. Its
// workers run below normal priority: they draw in the time the encoder's
// threads leave a core idle rather than take cores from them.
class CTimerGenerate final : public CTimerBase {
public:
    CTimerGenerate() : CTimerBase(false, true) { SetWorkersBelowNormal(true); }
};
