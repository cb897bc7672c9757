#pragma once

#include "plugins/multifx/KeyFrameLayout.h"

// Card Spread; its fan serves Card Spread and Tile as well.
class CCardSpread final : public CKeyFrameLayout {
public:
    using CKeyFrameLayout::CKeyFrameLayout;

    // The fan angle of picture a of n, in half turns: from 0.2 (left) for the
    // first picture to −0.2 for the last; 0 for a single picture.
    static double FanAngle(int a, int n);

protected:
    void Generate(int a, int n, CCrtRandom& random,
                  std::vector<SKeyFrameRecord>& keys) const override;
};
