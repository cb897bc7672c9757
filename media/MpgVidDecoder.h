#pragma once

#include "media/VidDecoder.h"

// MPEG program streams ("mpg", "mpeg"). When the requested size is at most
// half the clip's in both directions the clip is decoded at half size. The
// aspect comes from the stream's aspect code.
class PLMpgVidDecoder : public PLVidDecoder {
public:
    ~PLMpgVidDecoder() override { Close(); }
    bool GetAspectRatio(double& width, double& height) override;

protected:
    void OpenPath(const std::string& path) override;
};
