#pragma once

// The work a clock's worker runs on every frame change; renderers read the
// clock's current frame themselves.
class ITimerEventProc {
public:
    virtual void OnEvent() = 0;

protected:
    ~ITimerEventProc() = default;
};

// What a realtime clock tells its owner on every tick.
class ITimerNotify {
public:
    // The clock ran off its end (once until it moves again).
    virtual void OnEnd() = 0;
    virtual void OnFrame(int frame, int count) = 0;

protected:
    ~ITimerNotify() = default;
};
