#pragma once

#include "media/VidDecoder.h"

// QuickTime-family movies ("mov", "mp4", "m4v", "3gp"). Frames are top-down.
class PLQtVidDecoder : public PLVidDecoder {
public:
    ~PLQtVidDecoder() override { Close(); }

    // The movie library's version; the decoder is used only from 0x06008000
    // on. FFmpeg stands in for it here, so it answers a fixed version; tests
    // set another to see the machine without one (0: none installed).
    static int GetVersion();
    static void SetVersion(int version);

protected:
    void OpenPath(const std::string& path) override;
    [[nodiscard]] bool BottomUp() const override { return false; }
};
