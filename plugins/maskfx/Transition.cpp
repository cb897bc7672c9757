#include "plugins/maskfx/Transition.h"

#include "effects/api/EffectName.h"
#include "plugins/maskfx/Strings.h"

#include <cstdlib>
#include <cstring>

CTransition::CTransition(const char* name, int nameId) : m_nameId(nameId) {
    std::strncpy(m_name, name, sizeof m_name - 1);
}

void CTransition::SetChoice(int param, const char* key, int labelId, int defaultValue,
                            const int* labelIds, int count) {
    const char* labels[kMaxParams * 2] = {};
    for (int i = 0; i < count && i < kMaxParams * 2; ++i)
        labels[i] = maskfx::LoadString(labelIds[i]);
    m_valid = m_params[param].SetChoice(key, maskfx::LoadString(labelId), defaultValue, labels,
                                        count) && m_valid;
    m_paramCount = param + 1 > m_paramCount ? param + 1 : m_paramCount;
}

void CTransition::SetRange(int param, const char* key, int labelId, int defaultValue, int minimum,
                           int maximum) {
    m_valid = m_params[param].SetRange(key, maskfx::LoadString(labelId), defaultValue, minimum,
                                       maximum) && m_valid;
    m_paramCount = param + 1 > m_paramCount ? param + 1 : m_paramCount;
}

void CTransition::GetName(char* text, int length) { CopyEffectName(m_name, text, length); }

void CTransition::GetDisplayName(char* text, int length) {
    if (m_nameId == 0)
        GetName(text, length);
    else
        CopyEffectName(maskfx::LoadString(m_nameId), text, length);
}

CEffectSetting* CTransition::GetParams(int* count) {
    if (count)
        *count = m_paramCount;
    return m_paramCount ? m_params : nullptr;
}

void CTransition::GetSize(int* width, int* height) {
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
}

void CTransition::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
}

void CTransition::Reset() {
    m_width = m_height = m_frameCount = 0;
    m_srcA = m_srcB = nullptr;
}

void CTransition::SetSources(ItransfxSrc* outgoing, ItransfxSrc* incoming) {
    m_srcA = outgoing;
    m_srcB = incoming;
}

int CTransition::Render(int frame, std::uint8_t* dst, int stride) {
    if (!m_srcA || !m_srcB)
        return 1;
    std::uint8_t* a = nullptr;
    std::uint8_t* b = nullptr;
    int as = 0, bs = 0;
    if (!m_srcA->GetFrame(&a, &as) || !m_srcB->GetFrame(&b, &bs))
        return 1;
    // Nothing is drawn for a call the formulas cannot serve: no size, fewer
    // than two frames (progress divides by n − 1), a frame outside 0 … n − 1,
    // or buffers that are missing, too narrow or of mixed orientation (walking
    // one of them the wrong way would leave its memory).
    const long long row = 4LL * m_width;
    if (m_width <= 0 || m_height <= 0 || m_frameCount < 2 || frame < 0 || frame >= m_frameCount ||
        !a || !b || !dst)
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
