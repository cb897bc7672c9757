#include "plugins/maskfx/MaskTransition.h"

#include "imgcore/CPU.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace {

// What a pixel of one mask level shows in the current frame.
enum ERuleKind : std::uint8_t { kShowP = 0, kShowQ = 1, kBlend = 2 };

// The rule for one mask level h in one frame: P, Q, or the blend
// P + (Q − P)·num/den, rounded down, with num = e − l and den = h − l.
struct SLevelRule {
    std::uint8_t kind;
    int num;
    int den;
    std::uint64_t reciprocal; // ⌊2³²/den⌋ + 1: divides exactly by den (below)
};

// ⌊x/den⌋ for −256·den < x < 256·den, through the rule's reciprocal: x is
// shifted to a non-negative numerator below 2¹⁸, for which multiplying by
// ⌊2³²/den⌋ + 1 and dropping 32 bits divides exactly (den ≤ 255).
inline int FloorDiv(int x, const SLevelRule& rule) {
    const std::uint64_t shifted = std::uint64_t(x + 256 * rule.den);
    return int((shifted * rule.reciprocal) >> 32) - 256;
}

// One colour byte of the blend: P + (Q − P)·num/den, rounded down. The
// quotient stays inside [P, Q], so the byte needs no clamping.
inline std::uint8_t BlendByte(int p, int q, const SLevelRule& rule) {
    return std::uint8_t(p + FloorDiv((q - p) * rule.num, rule));
}

// Draws the frame row by row in memory order. The scaled mask (W × H levels)
// is read from its first byte onwards when Step is 1, from its last byte
// backwards when Step is −1. Without blends every pixel is a copy of P or Q,
// chosen without a branch.
template <int Step, bool Blends>
void DrawRows(const SLevelRule* rules, const std::uint8_t* mask, int width, int height,
              std::uint8_t* d, int ds, const std::uint8_t* p, int ps, const std::uint8_t* q, int qs) {
    const std::size_t size = std::size_t(width) * std::size_t(height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* dr = d + std::ptrdiff_t(ds) * y;
        const std::uint8_t* pr = p + std::ptrdiff_t(ps) * y;
        const std::uint8_t* qr = q + std::ptrdiff_t(qs) * y;
        const std::size_t rowStart = std::size_t(y) * std::size_t(width);
        const std::uint8_t* mr = Step > 0 ? mask + rowStart : mask + (size - 1 - rowStart);
        for (int x = 0; x < width; ++x) {
            const SLevelRule& rule = rules[mr[Step * x]];
            if constexpr (Blends) {
                if (rule.kind == kBlend) {
                    for (int c = 0; c < 3; ++c)
                        dr[4 * x + c] = BlendByte(pr[4 * x + c], qr[4 * x + c], rule);
                    continue;
                }
            }
            const std::uint8_t* from = rule.kind == kShowQ ? qr : pr;
            std::memcpy(dr + 4 * x, from + 4 * x, 4);
        }
    }
}

} // namespace

// The parameters, in EParam order.
constexpr effectkit::SParams kParams = {
    effectkit::Choice("Direction", "Direction", CMaskTransition::kForward, {"Forward", "Backward"}),
    effectkit::Range("Softness", "Softness", 5, 0, CMaskTransition::kMaxSoftness),
};

CMaskTransition::CMaskTransition(const char* name) : CTransitionBase(name, nullptr, kParams) {}

bool CMaskTransition::DecodeMask() {
    const std::size_t size = MaskDataSize();
    if (size == 0) {
        m_failure = "The mask's data cannot be found or is empty.";
        return false;
    }
    try {
        std::vector<std::uint8_t> data(size);
        if (!ReadMaskData(data.data(), size)) {
            m_failure = "The mask's data cannot be read.";
            return false;
        }
        auto mask = std::make_unique<CMaskPicture>();
        if (!mask->Decode(data.data(), size, m_failure))
            return false;
        m_mask = std::move(mask);
        m_failure.clear();
        return true;
    } catch (const std::bad_alloc&) {
        m_failure = "Out of memory for the mask's data.";
        return false;
    }
}

const CMaskPicture* CMaskTransition::Mask() {
    if (!m_mask && !DecodeMask()) {
        if (!m_reported) {
            // The host has no way to hear why; say it once where a user sees it.
            std::fprintf(stderr, "maskfx: the mask \"%s\" cannot be used: %s\n", Name(),
                         m_failure.c_str());
            m_reported = true;
        }
        return nullptr;
    }
    return m_mask.get();
}

const SEffectIcon* CMaskTransition::GetIcon() {
    if (!m_iconBits.empty())
        return &m_icon;
    const CMaskPicture* mask = Mask();
    if (!mask)
        return nullptr;
    try {
        const std::size_t pixels = std::size_t(mask->Width()) * std::size_t(mask->Height());
        std::vector<std::uint8_t> bits(pixels * 4);
        const std::uint8_t* level = mask->Levels();
        for (std::size_t k = 0; k < pixels; ++k) {
            bits[4 * k] = bits[4 * k + 1] = bits[4 * k + 2] = level[k];
            bits[4 * k + 3] = 255;
        }
        m_iconBits = std::move(bits);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    m_icon = {mask->Width(), mask->Height(), mask->Width() * 4, m_iconBits.data()};
    return &m_icon;
}

void CMaskTransition::FreeScaled() { std::vector<std::uint8_t>().swap(m_scaled); }

void CMaskTransition::SetSize(int width, int height) {
    if (width == m_width && height == m_height && !m_scaled.empty())
        return;
    CTransitionBase::SetSize(width, height);
    FreeScaled();
    const CMaskPicture* mask = Mask();
    if (!mask || width <= 0 || height <= 0)
        return;
    try {
        m_scaled.resize(std::size_t(width) * std::size_t(height));
    } catch (const std::bad_alloc&) {
        FreeScaled();
        return;
    }
    if (mask->Width() == width && mask->Height() == height) {
        std::memcpy(m_scaled.data(), mask->Levels(), m_scaled.size());
        return;
    }
    // Stretched to the frame on each axis by its own factor, bilinearly.
    const IppiSize from{mask->Width(), mask->Height()};
    const IppStatus status = CCPU::ippiResize_8u_C1R(
        mask->Levels(), from, mask->Width(), IppiRect{0, 0, mask->Width(), mask->Height()},
        m_scaled.data(), width, IppiSize{width, height}, double(width) / mask->Width(),
        double(height) / mask->Height(), IPPI_INTER_LINEAR);
    if (status != ippStsNoErr)
        FreeScaled();
}

void CMaskTransition::Reset() {
    CTransitionBase::Reset();
    FreeScaled();
}

int CMaskTransition::RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as,
                                 std::uint8_t* b, int bs, int flipped) {
    if (m_scaled.empty() || m_scaled.size() != std::size_t(m_width) * std::size_t(m_height))
        return -1;
    // The frame's threshold level: 0 at the first frame, 255 at the last.
    int e = int(double(i) * 255 / (m_frameCount - 1) + 0.5);
    std::uint8_t* p = a;
    std::uint8_t* q = b;
    int ps = as, qs = bs;
    if (Param(kDirection) == kBackward) {
        e = 255 - e;
        std::swap(p, q);
        std::swap(ps, qs);
    }
    const int s = std::clamp(Param(kSoftness), 0, kMaxSoftness);

    // A pixel of level h shows P while e < l = (10 − s)·h/10, Q from e = h
    // on, and between the two the blend at (e − l)/(h − l).
    SLevelRule rules[256];
    bool blends = false;
    for (int h = 0; h < 256; ++h) {
        const int l = (kMaxSoftness - s) * h / kMaxSoftness;
        SLevelRule& rule = rules[h];
        rule = {kShowQ, 0, 1, 0};
        if (e < l) {
            rule.kind = kShowP;
        } else if (e < h) {
            rule = {kBlend, e - l, h - l, (std::uint64_t(1) << 32) / std::uint64_t(h - l) + 1};
            blends = true;
        }
    }

    // The mask is read in the frame's memory order: from its first byte with
    // top-down buffers, from its last byte backwards with bottom-up ones.
    const std::uint8_t* mask = m_scaled.data();
    const int w = m_width, h = m_height;
    if (!flipped) {
        if (blends)
            DrawRows<1, true>(rules, mask, w, h, d, ds, p, ps, q, qs);
        else
            DrawRows<1, false>(rules, mask, w, h, d, ds, p, ps, q, qs);
    } else {
        if (blends)
            DrawRows<-1, true>(rules, mask, w, h, d, ds, p, ps, q, qs);
        else
            DrawRows<-1, false>(rules, mask, w, h, d, ds, p, ps, q, qs);
    }
    return 0;
}
