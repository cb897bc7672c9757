#pragma once

#include "base/CrtRandom.h"
#include "plugins/multifx/Layout.h"
#include "plugins/multifx/Placement.h"

#include <cstdint>
#include <memory>
#include <vector>

// A layout that does not draw: for a picture count it hands the host, per
// picture, the key-frames its pan and zoom renderer plays.
//
// The random choices of a picture are drawn from a generator seeded with the
// layout's own seed, the picture count and the picture's index, so a slide
// gets the same key-frames every time its template is opened, and two slides
// with the same layout and picture count look alike. Each layout fixes its
// seed in its own file: changing it changes the pictures of every template
// that uses the layout.
class CKeyFrameLayout : public CLayout {
public:
    // The seed of a layout that draws no random numbers.
    static constexpr std::uint32_t kNoRandom = 0;

    CKeyFrameLayout(const multifx::SLayoutInfo& info, std::uint32_t seed);
    ~CKeyFrameLayout() override;

    // The cached descriptors for the number of sources.
    CEffectSetting* GetParams(int* count) override;
    int Render(int, std::uint8_t*, int) override { return 0; }
    // One descriptor of kind 3 per picture, its key-frames from time 0 to 1
    // (the first and last of MakeKeyFrames held to the slide's ends); the
    // array stays cached until another picture count is asked for. Null with
    // count n when n ≤ 0.
    CEffectSetting* GetParamsFor(int pictures, int* count) override;
    // The key-frames of picture a of n, in memory this object owns until the
    // next call; null with count 0 when a or n is out of range.
    SKeyFrameRecord* MakeKeyFrames(int picture, int pictures, int* count) override;

    // The generator picture a of n draws from.
    [[nodiscard]] static CCrtRandom RandomFor(std::uint32_t seed, int a, int n);

protected:
    // Appends the key-frames of picture a of n.
    virtual void Generate(int a, int n, CCrtRandom& random,
                          std::vector<SKeyFrameRecord>& keys) const = 0;

    // A record at a placement and a time.
    static SKeyFrameRecord Key(const SPlacement& at, double time);

private:
    std::uint32_t m_seed;
    std::unique_ptr<CEffectSetting[]> m_cached;
    int m_cachedCount = 0;
    std::vector<SKeyFrameRecord> m_keys;
};
