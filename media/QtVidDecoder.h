#pragma once

#include "media/VidDecoder.h"

// QuickTime-family movies ("mov", "mp4", "m4v", "3gp"). Frames are top-down.
class PLQtVidDecoder : public PLVidDecoder {
public:
    ~PLQtVidDecoder() override { Close(); }

protected:
    void OpenPath(const std::string& path) override;
    [[nodiscard]] bool BottomUp() const override { return false; }
};
