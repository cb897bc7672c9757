#include "plugins/multifx/KeyFrameLayout.h"

#include <new>

CKeyFrameLayout::CKeyFrameLayout(const multifx::SLayoutInfo& info, std::uint32_t seed)
    : CLayout(info, 1, -1), m_seed(seed) {}

CKeyFrameLayout::~CKeyFrameLayout() = default;

CEffectSetting* CKeyFrameLayout::GetParams(int* count) {
    return GetParamsFor(GetSourceCount(), count);
}

CCrtRandom CKeyFrameLayout::RandomFor(std::uint32_t layoutSeed, int a, int n) {
    // Mix the three numbers so that neighbouring pictures and counts start
    // far apart in the generator's sequence.
    std::uint32_t seed = layoutSeed * 2654435761u;
    seed ^= std::uint32_t(n) * 40503u + 0x9E3779B9u + (seed << 6) + (seed >> 2);
    seed ^= std::uint32_t(a) * 97u + 0x7F4A7C15u + (seed << 6) + (seed >> 2);
    CCrtRandom random(seed);
    // The first value of a fresh state follows the seed closely; skip it.
    random.Next();
    return random;
}

SKeyFrameRecord CKeyFrameLayout::Key(const SPlacement& at, double time) {
    SKeyFrameRecord key;
    key.x = at.x;
    key.y = at.y;
    key.scale = at.scale;
    key.rotation = at.rotation;
    key.opacity = at.opacity;
    key.time = time;
    return key;
}

SKeyFrameRecord* CKeyFrameLayout::MakeKeyFrames(int picture, int pictures, int* count) {
    if (count)
        *count = 0;
    if (pictures <= 0 || picture < 0 || picture >= pictures)
        return nullptr;
    try {
        m_keys.clear();
        CCrtRandom random = RandomFor(m_seed, picture, pictures);
        Generate(picture, pictures, random, m_keys);
    } catch (const std::bad_alloc&) {
        m_keys.clear();
    }
    if (count)
        *count = int(m_keys.size());
    return m_keys.empty() ? nullptr : m_keys.data();
}

CEffectSetting* CKeyFrameLayout::GetParamsFor(int pictures, int* count) try {
    if (count)
        *count = pictures;
    if (pictures <= 0)
        return nullptr;
    if (pictures == m_cachedCount && m_cached)
        return m_cached.get();
    std::unique_ptr<CEffectSetting[]> params(new (std::nothrow) CEffectSetting[pictures]);
    if (!params) {
        if (count)
            *count = 0;
        return nullptr;
    }
    for (int i = 0; i < pictures; ++i) {
        int k = 0;
        SKeyFrameRecord* made = MakeKeyFrames(i, pictures, &k);
        // The host's tracks show a picture untransformed (full frame, opaque)
        // outside the range of its key-frames, so a picture that arrives
        // later, or leaves before the end, waits and stays where its first
        // and last key-frames put it.
        std::vector<SKeyFrameRecord> keys(made, made + k);
        if (k > 0 && keys.front().time > 0) {
            keys.insert(keys.begin(), keys.front());
            keys.front().time = 0;
        }
        if (k > 0 && keys.back().time < 1) {
            keys.push_back(keys.back());
            keys.back().time = 1;
        }
        k = int(keys.size());
        if (k > 0 && !params[i].SetLayouts("KeyFrames", "Key Frames", keys.data(), k)) {
            if (count)
                *count = 0;
            return nullptr;
        }
        if (k > 0)
            params[i].value = params[i].defaultValue = 0;
    }
    m_cached = std::move(params);
    m_cachedCount = pictures;
    return m_cached.get();
} catch (const std::bad_alloc&) {
    if (count)
        *count = 0;
    return nullptr;
}
