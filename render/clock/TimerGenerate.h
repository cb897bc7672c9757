#pragma once

#include "render/clock/TimerBase.h"

// The clock the encoders step: every frame change waits until all workers
// have finished the frame, so no encoded frame is ever incomplete.
class CTimerGenerate final : public CTimerBase {
public:
    CTimerGenerate() : CTimerBase(false, true) {}
};
