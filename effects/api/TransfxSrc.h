#pragma once

#include <cstdint>

// The host's picture source for a transition: one object per picture.
class ItransfxSrc {
public:
    // Slot 0. Nonzero when the picture's current frame is available; then bits
    // is the address of its first row in memory and stride the signed distance
    // between rows (negative when the picture is stored bottom-up). Zero when
    // no picture is available now. The picture is the host's: a transition
    // reads it and never writes to it (the host may show it again).
    virtual int GetFrame(std::uint8_t** bits, int* stride) = 0;

protected:
    // The host owns its sources; plug-ins never delete them.
    ~ItransfxSrc() = default;
};
