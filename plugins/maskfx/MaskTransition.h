#pragma once

#include "effects/api/ModuleKit.h"
#include "plugins/maskfx/MaskPicture.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A transition driven by a grey mask: a pixel of mask level h switches from
// the outgoing to the incoming picture when the frame's threshold passes h,
// over a band of levels below h that widens with the softness. Dark mask
// areas change first going forward, light areas first going backward.
//
// The mask is decoded on first need (SetSize or GetIcon) and kept; SetSize
// stretches it to the frame, without keeping its proportions. A mask that
// cannot be decoded leaves the transition in the catalogue but without a
// scaled mask: RenderFrame then draws nothing and returns −1, GetIcon
// returns null, and the decoder's reason is written once to stderr.
//
// Notation: W, H the frame size, n the frame count, i the frame number, A the
// outgoing picture, B the incoming one, D the destination.
class CMaskTransition : public effectkit::CTransitionBase {
public:
    enum EParam { kDirection = 0, kSoftness = 1 };
    enum EDirection { kForward = 0, kBackward = 1 };
    static constexpr int kMaxSoftness = 10;

    // name is the internal name, shown as the display name too (cut to 255 bytes).
    explicit CMaskTransition(const char* name);
    ~CMaskTransition() override = default;

    // The mask itself as a grey picture, owned by the transition; null when
    // the mask cannot be decoded.
    const SEffectIcon* GetIcon() override;
    // Decodes the mask if needed and makes the W × H scaled mask, when the
    // size differs from the stored one or no scaled mask was made yet.
    void SetSize(int width, int height) override;
    void Reset() override;
    int RenderFrame(int frame, std::uint8_t* dst, int dstStride, std::uint8_t* src1, int src1Stride,
                    std::uint8_t* src2, int src2Stride, int flipped) override;

    // The decoded mask, decoding it on first need; null when it cannot be decoded.
    const CMaskPicture* Mask();
    // Why the mask could not be decoded; empty when it could (or was not tried).
    [[nodiscard]] const std::string& Failure() const { return m_failure; }
    // The scaled mask: W × H levels, rows packed top-down; empty without one.
    [[nodiscard]] const std::vector<std::uint8_t>& ScaledMask() const { return m_scaled; }

protected:
    // Decodes the mask data into the mask picture; false, with m_failure set,
    // when it cannot be read or decoded.
    virtual bool DecodeMask();
    // The size of the mask data in bytes; 0 when it cannot be found.
    virtual std::size_t MaskDataSize() = 0;
    // Reads all size bytes of the mask data into buffer; false unless every
    // byte was read.
    virtual bool ReadMaskData(std::uint8_t* buffer, std::size_t size) = 0;

    std::string m_failure;

private:
    void FreeScaled();

    std::unique_ptr<CMaskPicture> m_mask;
    std::vector<std::uint8_t> m_scaled;
    std::vector<std::uint8_t> m_iconBits;
    SEffectIcon m_icon{};
    bool m_reported = false;
};
