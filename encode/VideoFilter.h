#pragma once

#include "encode/Filter.h"

// A video element of an encode graph: it produces the pictures one at a time.
class CVideoFilter : public CFilter {
public:
    // Results of PushNext.
    enum EPush : int { kPushed = 0, kPushFailed = 1, kNoMore = -1 };

    // Prepares the element; false when it cannot work (GetError says why).
    virtual bool Init() = 0;
    // Encodes (or copies) the next picture: kPushed, kPushFailed or kNoMore.
    virtual int PushNext() = 0;
    // Releases the encoder or the input file.
    virtual void Done() = 0;
    // Pictures pushed as a percentage of all.
    [[nodiscard]] virtual int PercentDone() const = 0;
    // A single picture, encoded as a disc's still picture.
    [[nodiscard]] virtual bool IsStill() const = 0;
    // The frame rate of the stream as the fraction num / den.
    virtual void GetFrameRate(int& num, int& den) const = 0;
};
