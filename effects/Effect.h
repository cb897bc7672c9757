#pragma once

#include "effects/api/EffectInterface.h"
#include "project/EffectValue.h"

#include <mutex>
#include <string>

// One catalogue entry (a prototype) or one working instance made from it: an
// effect object of a module, owned by this entry. Instances made from the same
// entry hang behind it in a doubly linked chain. Destroying a CEffect destroys
// its effect object through the Destroy operation of its kind.
class CEffect {
public:
    CEffect(IEffect* effect, void* module, int index, CEffect* previous = nullptr);
    CEffect(const CEffect&) = delete;
    CEffect& operator=(const CEffect&) = delete;
    ~CEffect();

    // Makes a fresh instance of the same effect (CreateEffect with the same
    // index on the same module), appends it at the end of this entry's chain
    // and returns it; null when the module has no CreateEffect or it returns null.
    CEffect* MakeInstance();
    // Unlinks a working instance from its chain and deletes it; the pointer is
    // invalid afterwards. A prototype (no previous) is not released: it lives
    // until the catalogue is torn down, and this returns false.
    bool Release();

    // Applies stored values: every descriptor back to its default, then every
    // descriptor whose key has a stored value (the last one wins) to that value,
    // each through the validation of CEffectSetting. An effect without
    // parameters is left untouched.
    void ApplyValues(const CEffectValues& values);

    [[nodiscard]] int GetType() const;
    // The internal name (read through a 260-byte buffer).
    [[nodiscard]] std::string GetName() const;
    [[nodiscard]] std::string GetDisplayName() const;
    CEffectSetting* GetParams(int* count);
    int Render(int frame, std::uint8_t* dst, int stride);
    void SetSize(int width, int height);
    void SetFrameCount(int count);
    // Kind 0 only; nothing for other kinds.
    void SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming);
    void Prepare();
    // Kind 1 only: the descriptors for a number of pictures; null otherwise.
    CEffectSetting* GetParamsFor(int pictures, int* count);
    // The effect object when it is of that kind, else null.
    [[nodiscard]] ITransitionEffect* GetTransition() const;
    [[nodiscard]] IMultiEffect* GetMultiEffect() const;
    [[nodiscard]] ITextEffect* GetTextEffect() const;

    [[nodiscard]] IEffect* GetEffect() const { return m_effect; }
    [[nodiscard]] void* GetModule() const { return m_module; }
    [[nodiscard]] int GetIndex() const { return m_index; }
    [[nodiscard]] CEffect* GetNext() const { return m_next; }
    [[nodiscard]] CEffect* GetPrevious() const { return m_previous; }
    [[nodiscard]] bool IsPrototype() const { return m_previous == nullptr; }

    // Calls the CreateEffect of a loaded module under the module lock, because
    // modules build shared tables on first use without locking; null when the
    // export is missing, the module makes nothing or it throws.
    static IEffect* CallCreateEffect(void* module, int index);
    // The process-wide lock around loading, unloading and CreateEffect, so that
    // catalogues of several threads may share modules.
    static std::mutex& ModuleLock();

private:
    // One of the effect's text slots read through a 260-byte buffer.
    std::string ReadText(void (IEffect::*get)(char*, int)) const;

    IEffect* m_effect;
    void* m_module;
    int m_index;
    CEffect* m_next = nullptr;
    CEffect* m_previous;
};
