#pragma once

#include "media/PicDecoder.h"

// Windows metafiles (both kinds). There is no metafile player on this
// platform, so opening one fails with code 12.
class PLWEMFDecoder : public PLPicDecoder {
public:
    void Open(PLDataSource* source) override;
};
