#pragma once

#include "effects/api/EffectInterface.h"

#include <cstdint>

// The base of the module's transitions: the common slots of a kind-0 effect
// and Render, which fetches both pictures and hands them to RenderFrame with
// positive strides (flipped = 1 when the pictures are stored bottom-up).
//
// Notation in the transitions: W, H the frame size, n the frame count, i the
// frame number, A the outgoing picture, B the incoming one, D the destination.
// D is all zero bytes when RenderFrame starts (the host clears it), so pixels
// left unwritten are black.
class CTransition : public ITransitionEffect {
public:
    // name is the internal name (cut to 255 bytes); nameId the string number
    // of the display name, 0 when the display name is the internal name.
    CTransition(const char* name, int nameId);
    ~CTransition() override = default;

    int GetType() override { return kEffectTransition; }
    void GetName(char* text, int length) override;
    void GetDisplayName(char* text, int length) override;
    CEffectSetting* GetParams(int* count) override;
    int Render(int frame, std::uint8_t* dst, int stride) override;
    const SEffectIcon* GetIcon() override { return nullptr; }
    void GetSize(int* width, int* height) override;
    int GetFrameCount() override { return m_frameCount; }
    void SetSize(int width, int height) override;
    void SetFrameCount(int count) override { m_frameCount = count; }
    void Reset() override;
    void SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming) override;
    void Prepare() override {}
    void Destroy() override { delete this; }

    // False when building the object ran out of memory.
    [[nodiscard]] bool IsValid() const { return m_valid; }

protected:
    static constexpr int kMaxParams = 2;

    // Fills descriptor `param` as a choice or a range, labels from the string table.
    void SetChoice(int param, const char* key, int labelId, int defaultValue, const int* labelIds,
                   int count);
    void SetRange(int param, const char* key, int labelId, int defaultValue, int minimum,
                  int maximum);
    [[nodiscard]] int Param(int i) const { return m_params[i].value; }

    int m_width = 0;
    int m_height = 0;
    int m_frameCount = 0;
    ItransfxSrc* m_srcA = nullptr;
    ItransfxSrc* m_srcB = nullptr;
    char m_name[256] = {};
    int m_nameId = 0;

private:
    CEffectSetting m_params[kMaxParams];
    int m_paramCount = 0;
    bool m_valid = true;
};
