// A test module, built several times with different definitions to make the
// modules the catalogue must cope with:
//   FAKE_COUNT        what GetNumEffects answers
//   FAKE_NO_COUNT     GetNumEffects is not exported
//   FAKE_NO_CREATE    CreateEffect is not exported
//   FAKE_ALL_NULL     CreateEffect returns null for every index
//   FAKE_TAG          text appended to display names, telling modules apart
//   FAKE_SHARED_NAME  internal name of effect 0
// Effects: 0 a transition with a choice and a range, 1 a text effect, 2 none
// (null), 3 a transition without parameters, 4 a multi-picture layout.
#include "effects/api/EffectInterface.h"

#include <atomic>
#include <cstring>
#include <string>

namespace {

std::atomic<int> g_live{0};

template <class Base>
class CFake : public Base {
public:
    CFake(int kind, const char* name) : m_kind(kind), m_name(name) { ++g_live; }
    ~CFake() override { --g_live; }

    int GetType() override { return m_kind; }
    void GetName(char* text, int length) override { Copy(m_name, text, length); }
    void GetDisplayName(char* text, int length) override {
        Copy(m_name + " " FAKE_TAG, text, length);
    }
    CEffectSetting* GetParams(int* count) override {
        *count = m_count;
        return m_count ? m_params : nullptr;
    }
    int Render(int, std::uint8_t*, int) override { return 1; }
    const SEffectIcon* GetIcon() override { return nullptr; }
    void GetSize(int* w, int* h) override { *w = m_w, *h = m_h; }
    int GetFrameCount() override { return m_frames; }
    void SetSize(int w, int h) override { m_w = w, m_h = h; }
    void SetFrameCount(int n) override { m_frames = n; }
    void Reset() override { m_w = m_h = m_frames = 0; }
    void Destroy() override { delete this; }

    CEffectSetting m_params[2];
    int m_count = 0;

private:
    static void Copy(const std::string& s, char* text, int length) {
        if (length <= 0)
            return;
        std::size_t n = std::min(s.size(), std::size_t(length) - 1);
        std::memcpy(text, s.data(), n);
        text[n] = '\0';
    }

    int m_kind;
    std::string m_name;
    int m_w = 0, m_h = 0, m_frames = 0;
};

class CFakeTransition : public CFake<ITransitionEffect> {
public:
    using CFake::CFake;
    void SetSources(ItransfxSrc*, ItransfxSrc*) override {}
    void Prepare() override {}
    int RenderFrame(int, std::uint8_t*, int, std::uint8_t*, int, std::uint8_t*, int, int) override {
        return 0;
    }
};

class CFakeMulti : public CFake<IMultiEffect> {
public:
    using CFake::CFake;
    void GetPictureRange(int* min, int* max) override { *min = 1, *max = -1; }
    int GetDefaultPictureCount() override { return 4; }
    int GetSourceCount() override { return 0; }
    CEffectSetting* GetParamsFor(int, int* count) override { return GetParams(count); }
    int AddSource(int, ImultifxiSrc*) override { return 0; }
    int ReplaceSource(int, ImultifxiSrc*) override { return 0; }
    int RemoveSource(int) override { return 0; }
    SKeyFrameRecord* MakeKeyFrames(int, int, int* count) override {
        *count = 0;
        return nullptr;
    }
};

class CFakeText : public CFake<ITextEffect> {
public:
    using CFake::CFake;
    int IsPerCharacter() override { return 0; }
    void SetGlyphs(IEffectGlyphSrc*, SGlyphNode*) override {}
    void SetInOutFraction(double) override {}
    int RenderText(int) override { return 1; }
};

} // namespace

#ifndef FAKE_NO_COUNT
KV_EFFECT_EXPORT int GetNumEffects() { return FAKE_COUNT; }
#endif

// How many effect objects of this module are alive, for the tests.
KV_EFFECT_EXPORT int FakeLiveObjects() { return g_live.load(); }

#ifndef FAKE_NO_CREATE
KV_EFFECT_EXPORT IEffect* CreateEffect(int index) {
#ifdef FAKE_ALL_NULL
    (void)index;
    return nullptr;
#else
    switch (index) {
    case 0: {
        auto* t = new CFakeTransition(kEffectTransition, FAKE_SHARED_NAME);
        const char* labels[] = {"One", "Two", "Three"};
        t->m_params[0].SetChoice("Direction", "Direction", 1, labels, 3);
        t->m_params[1].SetRange("Size", "Size", 40, 20, 80);
        t->m_count = 2;
        return t;
    }
    case 1: return new CFakeText(kEffectText, "Caption Effect " FAKE_TAG);
    case 3: return new CFakeTransition(kEffectTransition, "Plain Plugin " FAKE_TAG);
    case 4: return new CFakeMulti(kEffectMulti, "Tile " FAKE_TAG);
    default: return nullptr;
    }
#endif
}
#endif
