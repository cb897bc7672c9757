// A small multi-picture module for the renderer's tests. "Test Halves" draws
// live: every picture at half its fitted size, side by side. "Test Keys"
// hands out key-frames that put the pictures in the same places.
#include "effects/api/EffectInterface.h"
#include "effects/api/EffectSetting.h"
#include "effects/api/KeyFrameRecord.h"
#include "imgcore/CPU.h"

#include <cstring>
#include <vector>

namespace {

double Column(int i, int n) { return n > 1 ? -0.25 + 0.5 * i / (n - 1) : 0.0; }

class CTestLayout final : public IMultiEffect {
public:
    explicit CTestLayout(bool live) : m_live(live) {}

    int GetType() override { return kEffectMulti; }
    void GetName(char* text, int length) override { Copy(text, length); }
    void GetDisplayName(char* text, int length) override { Copy(text, length); }
    CEffectSetting* GetParams(int* count) override {
        *count = int(m_params.size());
        return m_params.empty() ? nullptr : m_params.data();
    }
    int Render(int frame, std::uint8_t* dst, int stride) override {
        if (!m_live)
            return 1;
        ++m_renders;
        int n = int(m_sources.size());
        for (int i = 0; i < n; ++i) {
            m_sources[std::size_t(i)]->SetTransform(0.5, 0.5, Column(i, n), 0, 0, 1);
            std::uint8_t* bits = nullptr;
            int layerStride = 0;
            SEffectRect rect{};
            if (!m_sources[std::size_t(i)]->GetFrame(frame, &bits, &layerStride, &rect))
                continue;
            int w = rect.right - rect.left, h = rect.bottom - rect.top;
            if (w <= 0 || h <= 0)
                continue;
            // Both are bottom-up here: the rectangle's lowest row in memory is
            // its bottom row, at the same place in the frame.
            std::uint8_t* at = stride < 0 ? dst + std::ptrdiff_t(m_height - rect.bottom) * -stride
                                          : dst + std::ptrdiff_t(rect.top) * stride;
            at += 4 * rect.left;
            int step = stride < 0 ? -stride : stride;
            int layerStep = layerStride < 0 ? -layerStride : layerStride;
            CCPU::ippiAlphaComp_8u_AC4R(bits, layerStep, at, step, at, step, {w, h},
                                        ippAlphaOverPremul);
        }
        return 0;
    }
    const SEffectIcon* GetIcon() override { return nullptr; }
    void GetSize(int* width, int* height) override {
        *width = m_width;
        *height = m_height;
    }
    int GetFrameCount() override { return m_frames; }
    void SetSize(int width, int height) override {
        m_width = width;
        m_height = height;
    }
    void SetFrameCount(int count) override { m_frames = count; }
    void Reset() override {
        m_width = m_height = m_frames = 0;
        m_sources.clear();
    }
    void GetPictureRange(int* min, int* max) override {
        *min = 1;
        *max = -1;
    }
    int GetDefaultPictureCount() override { return 2; }
    int GetSourceCount() override { return int(m_sources.size()); }
    CEffectSetting* GetParamsFor(int pictures, int* count) override {
        m_params.clear();
        if (!m_live) {
            m_params.resize(std::size_t(pictures));
            for (int i = 0; i < pictures; ++i) {
                SKeyFrameRecord keys[2];
                for (int k = 0; k < 2; ++k) {
                    keys[k].x = Column(i, pictures);
                    keys[k].scale = 0.5;
                    keys[k].time = k;
                }
                m_params[std::size_t(i)].SetLayouts("Picture", "Picture", keys, 2);
            }
        }
        return GetParams(count);
    }
    int AddSource(int after, ImultifxiSrc* source) override {
        int at = after < 0 || after >= int(m_sources.size()) ? int(m_sources.size()) : after + 1;
        m_sources.insert(m_sources.begin() + at, source);
        return at;
    }
    int ReplaceSource(int index, ImultifxiSrc* source) override {
        m_sources.at(std::size_t(index)) = source;
        return index;
    }
    int RemoveSource(int index) override {
        m_sources.erase(m_sources.begin() + index);
        return index;
    }
    void Destroy() override { delete this; }
    SKeyFrameRecord* MakeKeyFrames(int, int, int* count) override {
        *count = 0;
        return nullptr;
    }

private:
    void Copy(char* text, int length) const {
        const char* name = m_live ? "Test Halves" : "Test Keys";
        std::strncpy(text, name, std::size_t(length - 1));
        text[length - 1] = 0;
    }

    bool m_live;
    int m_width = 0, m_height = 0, m_frames = 0, m_renders = 0;
    std::vector<ImultifxiSrc*> m_sources;
    std::vector<CEffectSetting> m_params;
};

} // namespace

KV_EFFECT_EXPORT int GetNumEffects() { return 2; }
KV_EFFECT_EXPORT IEffect* CreateEffect(int index) {
    return index == 0 || index == 1 ? new CTestLayout(index == 0) : nullptr;
}
