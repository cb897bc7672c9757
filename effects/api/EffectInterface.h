#pragma once

#include "effects/api/EffectGlyphSrc.h"
#include "effects/api/EffectSetting.h"
#include "effects/api/EffectTypes.h"
#include "effects/api/KeyFrameRecord.h"
#include "effects/api/MultifxiSrc.h"
#include "effects/api/TransfxSrc.h"

#include <cstdint>

// The binary contract between the program and its effect modules. The host
// calls effect objects only through their virtual operations, which are
// declared here in slot order: host and modules built from this header agree
// on the table layout. No operation throws; failures are results. An object is
// freed only by its own module, through the Destroy operation of its kind.

// Effect kinds, as GetType answers.
enum EEffectKind : int {
    kEffectTransition = 0, // ITransitionEffect: transfx, maskfx
    kEffectMulti = 1,      // IMultiEffect: multifx
    kEffectText = 2,       // ITextEffect: titlefx
};

// The operations every effect offers (slots 0 to 10). Each kind continues the
// table with its own interface below; the host dispatches on GetType.
class IEffect {
public:
    virtual int GetType() = 0;
    // Copies the internal name, the effect's persistent identity, into text:
    // at most length − 1 bytes and a terminating NUL.
    virtual void GetName(char* text, int length) = 0;
    // Copies the display name (the internal name when the effect has none).
    virtual void GetDisplayName(char* text, int length) = 0;
    // The parameter descriptors and their number; 0 and null when there are
    // none. The array lives as long as the object; the host only writes `value`.
    virtual CEffectSetting* GetParams(int* count) = 0;
    // Kind 0: draws frame `frame` into dst (first row in memory, signed
    // stride); 1 when a picture is missing. Kind 1 draws live layouts and
    // returns 0; kind 2 returns 1 without drawing.
    virtual int Render(int frame, std::uint8_t* dst, int stride) = 0;
    // A small picture owned by the module, or null.
    virtual const SEffectIcon* GetIcon() = 0;
    virtual void GetSize(int* width, int* height) = 0;
    virtual int GetFrameCount() = 0;
    virtual void SetSize(int width, int height) = 0;
    virtual void SetFrameCount(int count) = 0;
    // Size, frame count and sources back to zero or null.
    virtual void Reset() = 0;

protected:
    ~IEffect() = default;
};

// Kind 0: a transition between an outgoing picture (A) and an incoming one (B).
class ITransitionEffect : public IEffect {
public:
    virtual void SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming) = 0;
    // Called once after size, frame count and sources, before the first Render.
    virtual void Prepare() = 0;
    // The drawing operation, called by Render with positive strides. With
    // flipped = 1 the buffers are bottom-up: row 0 in memory is the picture's
    // bottom row. The sources may be overwritten. Returns 0.
    virtual int RenderFrame(int frame, std::uint8_t* dst, int dstStride, std::uint8_t* src1,
                            int src1Stride, std::uint8_t* src2, int src2Stride, int flipped) = 0;
    // Deletes the object inside its module.
    virtual void Destroy() = 0;
    virtual ~ITransitionEffect() = default;
};

// Kind 1: a multi-picture layout.
class IMultiEffect : public IEffect {
public:
    virtual ~IMultiEffect() = default;
    // Pictures the layout is made for; max −1 means no limit.
    virtual void GetPictureRange(int* min, int* max) = 0;
    virtual int GetDefaultPictureCount() = 0;
    virtual int GetSourceCount() = 0;
    // The descriptors for a number of pictures.
    virtual CEffectSetting* GetParamsFor(int pictures, int* count) = 0;
    // Inserts after node `after` (appends when after < 0 or past the end);
    // returns the new node's index.
    virtual int AddSource(int after, ImultifxiSrc* source) = 0;
    virtual int ReplaceSource(int index, ImultifxiSrc* source) = 0;
    virtual int RemoveSource(int index) = 0;
    virtual void Destroy() = 0;
    // Key-frame layouts: the key-frames of one picture; null for live layouts.
    virtual SKeyFrameRecord* MakeKeyFrames(int picture, int pictures, int* count) = 0;
};

// Kind 2: a caption animation.
class ITextEffect : public IEffect {
public:
    virtual ~ITextEffect() = default;
    virtual int IsPerCharacter() = 0;
    virtual void SetGlyphs(IEffectGlyphSrc* string, SGlyphNode* characters) = 0;
    virtual void SetInOutFraction(double fraction) = 0;
    virtual int RenderText(int frame) = 0;
    virtual void Destroy() = 0;
};

// The two functions every module exports with C linkage.
extern "C" {
// Number of effects the module offers; 0 or less means none.
using PFNGetNumEffects = int (*)();
// A new effect object for index 0 … count − 1, or null.
using PFNCreateEffect = IEffect* (*)(int index);
}

inline constexpr const char* kGetNumEffectsExport = "GetNumEffects";
inline constexpr const char* kCreateEffectExport = "CreateEffect";

// Marks a module's two exports; everything else in a module stays hidden.
#define KV_EFFECT_EXPORT extern "C" __attribute__((visibility("default")))
