#pragma once

#include "media/VidDecoder.h"

// Every clip that is neither MPEG by name nor a QuickTime movie (avi, wmv,
// …). Frames are bottom-up.
class PLDxVidDecoder : public PLVidDecoder {
public:
    ~PLDxVidDecoder() override { Close(); }
    // Null before 0 s and after the end; otherwise the frame the time falls in.
    const std::uint8_t* GetFrameAtTime(double seconds, int& stride) override;

protected:
    void OpenPath(const std::string& path) override;
};
