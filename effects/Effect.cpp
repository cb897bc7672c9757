#include "effects/Effect.h"

#include <dlfcn.h>

std::mutex& CEffect::ModuleLock() {
    static std::mutex lock;
    return lock;
}

CEffect::CEffect(IEffect* effect, void* module, int index, CEffect* previous)
    : m_effect(effect), m_module(module), m_index(index), m_previous(previous) {}

CEffect::~CEffect() {
    // The instances chained behind this entry go with it, last first.
    while (m_next) {
        CEffect* last = m_next;
        while (last->m_next)
            last = last->m_next;
        last->m_previous->m_next = nullptr;
        last->m_previous = nullptr;
        delete last;
    }
    if (!m_effect)
        return;
    switch (m_effect->GetType()) {
    case kEffectTransition: static_cast<ITransitionEffect*>(m_effect)->Destroy(); break;
    case kEffectMulti: static_cast<IMultiEffect*>(m_effect)->Destroy(); break;
    case kEffectText: static_cast<ITextEffect*>(m_effect)->Destroy(); break;
    default: break; // an unknown kind cannot be destroyed safely; it is forgotten
    }
    m_effect = nullptr;
}

IEffect* CEffect::CallCreateEffect(void* module, int index) {
    if (!module)
        return nullptr;
    std::lock_guard guard(ModuleLock());
    auto create = reinterpret_cast<PFNCreateEffect>(dlsym(module, kCreateEffectExport));
    if (!create)
        return nullptr;
    try {
        return create(index);
    } catch (...) {
        // A module that breaks the contract by throwing makes no object.
        return nullptr;
    }
}

CEffect* CEffect::MakeInstance() {
    IEffect* effect = CallCreateEffect(m_module, m_index);
    if (!effect)
        return nullptr;
    CEffect* tail = this;
    while (tail->m_next)
        tail = tail->m_next;
    auto* instance = new CEffect(effect, m_module, m_index, tail);
    tail->m_next = instance;
    return instance;
}

bool CEffect::Release() {
    if (!m_previous)
        return false;
    m_previous->m_next = m_next;
    if (m_next)
        m_next->m_previous = m_previous;
    m_next = m_previous = nullptr;
    delete this;
    return true;
}

void CEffect::ApplyValues(const CEffectValues& values) {
    int count = 0;
    CEffectSetting* params = GetParams(&count);
    if (!params || count <= 0)
        return;
    for (int i = 0; i < count; ++i)
        params[i].SetValue(params[i].defaultValue);
    for (int i = 0; i < count; ++i) {
        // The last stored record with the key wins.
        for (auto it = values.rbegin(); it != values.rend(); ++it) {
            if (it->m_key == params[i].key) {
                params[i].SetValue(it->m_value);
                break;
            }
        }
    }
}

int CEffect::GetType() const { return m_effect ? m_effect->GetType() : -1; }

std::string CEffect::ReadText(void (IEffect::*get)(char*, int)) const {
    char text[260] = {};
    if (m_effect)
        (m_effect->*get)(text, int(sizeof text));
    text[sizeof text - 1] = '\0';
    return text;
}

std::string CEffect::GetName() const { return ReadText(&IEffect::GetName); }

std::string CEffect::GetDisplayName() const { return ReadText(&IEffect::GetDisplayName); }

CEffectSetting* CEffect::GetParams(int* count) {
    int n = 0;
    CEffectSetting* params = m_effect ? m_effect->GetParams(&n) : nullptr;
    if (!params)
        n = 0;
    if (count)
        *count = n;
    return params;
}

int CEffect::Render(int frame, std::uint8_t* dst, int stride) {
    return m_effect ? m_effect->Render(frame, dst, stride) : 1;
}

void CEffect::SetSize(int width, int height) {
    if (m_effect)
        m_effect->SetSize(width, height);
}

void CEffect::SetFrameCount(int count) {
    if (m_effect)
        m_effect->SetFrameCount(count);
}

void CEffect::SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming) {
    if (ITransitionEffect* t = GetTransition())
        t->SetSources(outgoing, incoming);
}

void CEffect::Prepare() {
    if (ITransitionEffect* t = GetTransition())
        t->Prepare();
}

CEffectSetting* CEffect::GetParamsFor(int pictures, int* count) {
    int n = 0;
    IMultiEffect* multi = GetMultiEffect();
    CEffectSetting* params = multi ? multi->GetParamsFor(pictures, &n) : nullptr;
    if (!params)
        n = 0;
    if (count)
        *count = n;
    return params;
}

ITransitionEffect* CEffect::GetTransition() const {
    return GetType() == kEffectTransition ? static_cast<ITransitionEffect*>(m_effect) : nullptr;
}

IMultiEffect* CEffect::GetMultiEffect() const {
    return GetType() == kEffectMulti ? static_cast<IMultiEffect*>(m_effect) : nullptr;
}

ITextEffect* CEffect::GetTextEffect() const {
    return GetType() == kEffectText ? static_cast<ITextEffect*>(m_effect) : nullptr;
}
