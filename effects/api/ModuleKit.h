#pragma once

#include "effects/api/EffectInterface.h"
#include "effects/api/EffectName.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

// What the effect modules share beside the contract: parameters described by
// catalogue rows with their texts inline, the descriptor array built from
// them, the common slots of every kind (names, size, frame count), the base
// of a transition (kind 0) with Render's checks and orientation handling, and
// the guarded maker that CreateEffect calls. Header-only: every module
// compiles its own copy, and nothing here crosses the boundary. Modules may
// use it; the host never does.
namespace effectkit {

// The most parameters, and choices of one parameter, an effect offers.
inline constexpr int kMaxParams = 4;
inline constexpr int kMaxChoices = 4;

// One parameter as a catalogue row describes it. The texts are static and
// outlive every effect; the descriptor copies them.
struct SParam {
    const char* key = "";   // under which the value is stored in projects
    const char* label = ""; // shown to users
    int kind = CEffectSetting::kUnset;
    int defaultValue = 0;
    int minimum = 0; // range bounds, inclusive
    int maximum = 0;
    const char* choices[kMaxChoices] = {}; // choice labels, in value order
    int choiceCount = 0;
};

// A choice among two to four labels; the value is the chosen label's index.
template <std::size_t N>
constexpr SParam Choice(const char* key, const char* label, int defaultValue,
                        const char* const (&labels)[N]) {
    static_assert(N >= 2 && N <= kMaxChoices, "a choice offers two to four labels");
    SParam p{key, label, CEffectSetting::kChoice, defaultValue};
    for (const char* text : labels)
        p.choices[p.choiceCount++] = text;
    return p;
}

// A whole number from minimum to maximum, both included.
constexpr SParam Range(const char* key, const char* label, int defaultValue, int minimum,
                       int maximum) {
    return {key, label, CEffectSetting::kRange, defaultValue, minimum, maximum};
}

// The parameters of one catalogue row, in descriptor order; the count is that
// of the list written in the row (more than kMaxParams does not compile in a
// constexpr table).
struct SParams {
    SParam items[kMaxParams] = {};
    int count = 0;

    constexpr SParams() = default;
    constexpr SParams(std::initializer_list<SParam> list) {
        for (const SParam& p : list)
            items[count++] = p;
    }
    constexpr const SParam& operator[](int i) const { return items[i]; }
};

// An effect's parameter descriptors, built from rows; GetParams hands out the
// array, and the effect reads the values the host wrote into it.
class CParams {
public:
    // Appends the descriptor of row p, its value at its default. False when
    // memory runs out (the object is then not valid) or the array is full.
    bool Add(const SParam& p) {
        if (m_count >= kMaxParams)
            return m_valid = false;
        CEffectSetting& s = m_items[m_count++];
        const bool ok = p.kind == CEffectSetting::kChoice
                            ? s.SetChoice(p.key, p.label, p.defaultValue, p.choices, p.choiceCount)
                            : s.SetRange(p.key, p.label, p.defaultValue, p.minimum, p.maximum);
        m_valid = m_valid && ok;
        return ok;
    }
    void Add(const SParams& list) {
        for (int i = 0; i < list.count; ++i)
            Add(list[i]);
    }
    // The descriptors and their number; null and 0 without any.
    CEffectSetting* Get(int* count) {
        if (count)
            *count = m_count;
        return m_count ? m_items : nullptr;
    }
    [[nodiscard]] int Value(int i) const { return m_items[i].value; }
    // False when a descriptor could not be made.
    [[nodiscard]] bool Valid() const { return m_valid; }

private:
    CEffectSetting m_items[kMaxParams];
    int m_count = 0;
    bool m_valid = true;
};

// The slots every kind answers alike: internal and display name, size and
// frame count. Interface is the kind's interface (ITransitionEffect,
// IMultiEffect, ITextEffect).
template <class Interface>
class CEffectBase : public Interface {
public:
    // name is the internal name, the effect's identity in projects (copied,
    // cut to 255 bytes); display the name shown to users, a static text, or
    // null when it is the internal name.
    CEffectBase(const char* name, const char* display) : m_display(display) {
        std::strncpy(m_name, name, sizeof m_name - 1);
    }

    void GetName(char* text, int length) override { CopyEffectName(m_name, text, length); }
    void GetDisplayName(char* text, int length) override {
        CopyEffectName(m_display ? m_display : m_name, text, length);
    }
    void GetSize(int* width, int* height) override {
        if (width)
            *width = m_width;
        if (height)
            *height = m_height;
    }
    int GetFrameCount() override { return m_frameCount; }
    void SetFrameCount(int count) override { m_frameCount = count; }

    [[nodiscard]] const char* Name() const { return m_name; }

protected:
    int m_width = 0;
    int m_height = 0;
    int m_frameCount = 0;

private:
    char m_name[256] = {};
    const char* m_display;
};

// The base of a transition (kind 0): the common slots, the descriptors, and
// Render, which fetches both pictures, checks the call and hands them to
// RenderFrame with positive strides (flipped = 1 when they are stored
// bottom-up). GetIcon answers null unless a module draws icons.
class CTransitionBase : public CEffectBase<ITransitionEffect> {
public:
    CTransitionBase(const char* name, const char* display, const SParams& params = {})
        : CEffectBase(name, display) {
        m_params.Add(params);
    }
    ~CTransitionBase() override = default;

    int GetType() override { return kEffectTransition; }
    CEffectSetting* GetParams(int* count) override { return m_params.Get(count); }
    const SEffectIcon* GetIcon() override { return nullptr; }
    // Stores the size and, when it changed, lets the transition make its
    // per-size working memory (OnSizeChanged).
    void SetSize(int width, int height) override {
        if (m_sized && width == m_width && height == m_height)
            return;
        m_width = width;
        m_height = height;
        m_sized = width > 0 && height > 0 && OnSizeChanged();
    }
    void Reset() override {
        m_width = m_height = m_frameCount = 0;
        m_srcA = m_srcB = nullptr;
        m_sized = false;
    }
    void SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming) override {
        m_srcA = outgoing;
        m_srcB = incoming;
    }
    void Prepare() override {}
    void Destroy() override { delete this; }

    int Render(int frame, std::uint8_t* dst, int stride) override {
        if (!m_srcA || !m_srcB)
            return 1;
        std::uint8_t* a = nullptr;
        std::uint8_t* b = nullptr;
        int as = 0, bs = 0;
        if (!m_srcA->GetFrame(&a, &as) || !m_srcB->GetFrame(&b, &bs))
            return 1;
        // Nothing is drawn for a call the formulas cannot serve: no size or
        // working memory, fewer than two frames (progress divides by n − 1),
        // a frame outside 0 … n − 1, or buffers that are missing, too narrow
        // or of mixed orientation (walking one of them the wrong way would
        // leave its memory).
        const long long row = 4LL * m_width;
        if (!m_sized || m_frameCount < 2 || frame < 0 || frame >= m_frameCount || !a || !b ||
            !dst)
            return 1;
        if ((as < 0) != (bs < 0) || (as < 0) != (stride < 0) || std::llabs(as) < row ||
            std::llabs(bs) < row || std::llabs(stride) < row)
            return 1;
        int flipped = 0;
        if (as < 0) {
            as = -as;
            bs = -bs;
            stride = -stride;
            flipped = 1;
        }
        return RenderFrame(frame, dst, stride, a, as, b, bs, flipped);
    }

    // False when building the object ran out of memory.
    [[nodiscard]] bool IsValid() const { return m_params.Valid(); }

protected:
    // Called by SetSize when the size changed to one of at least a pixel, for
    // per-size working memory. Returns false when memory runs out; Render
    // then draws nothing until a size succeeds.
    virtual bool OnSizeChanged() { return true; }

    [[nodiscard]] int Param(int i) const { return m_params.Value(i); }

    ItransfxSrc* m_srcA = nullptr;
    ItransfxSrc* m_srcB = nullptr;

private:
    CParams m_params;
    bool m_sized = false; // m_width × m_height is at least a pixel, with working memory
};

// What CreateEffect returns for a maker: the new object, or null when making
// it threw (memory ran out) or the object says it is not valid, in which case
// it is destroyed here, inside its module. Never throws.
template <class Effect, class Make>
Effect* MakeChecked(Make&& make) noexcept {
    Effect* effect = nullptr;
    try {
        effect = make();
    } catch (...) {
        return nullptr;
    }
    if constexpr (requires { effect->IsValid(); }) {
        if (effect && !effect->IsValid()) {
            effect->Destroy();
            return nullptr;
        }
    }
    return effect;
}

} // namespace effectkit
