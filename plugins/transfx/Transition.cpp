#include "plugins/transfx/Transition.h"

#include "effects/api/EffectName.h"
#include "imgcore/CPU.h"
#include "plugins/transfx/Strings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

CTransition::CTransition(const transfx::STransitionInfo& info)
    : m_nameId(info.displayId), m_bitmapId(info.bitmapId) {
    std::strncpy(m_name, info.name, sizeof m_name - 1);
    for (int p = 0; p < info.paramCount && p < 4; ++p) {
        const transfx::SParamInfo& s = info.params[p];
        if (s.kind == CEffectSetting::kChoice)
            SetChoice(p, s.key, s.labelId, s.defaultValue, s.choiceIds, s.choiceCount);
        else
            SetRange(p, s.key, s.labelId, s.defaultValue, s.minimum, s.maximum);
    }
}

bool CTransition::SetChoice(int param, const char* key, int labelId, int defaultValue,
                            const int* labelIds, int count) {
    const char* labels[4] = {};
    for (int i = 0; i < count && i < 4; ++i)
        labels[i] = transfx::LoadString(labelIds[i]);
    const bool ok = m_params[param].SetChoice(key, transfx::LoadString(labelId), defaultValue,
                                              labels, count < 4 ? count : 4);
    m_valid = m_valid && ok;
    m_paramCount = param + 1 > m_paramCount ? param + 1 : m_paramCount;
    return ok;
}

bool CTransition::SetRange(int param, const char* key, int labelId, int defaultValue,
                           int minimum, int maximum) {
    const bool ok =
        m_params[param].SetRange(key, transfx::LoadString(labelId), defaultValue, minimum, maximum);
    m_valid = m_valid && ok;
    m_paramCount = param + 1 > m_paramCount ? param + 1 : m_paramCount;
    return ok;
}

void CTransition::GetName(char* text, int length) { CopyEffectName(m_name, text, length); }

void CTransition::GetDisplayName(char* text, int length) {
    if (m_nameId == 0)
        GetName(text, length);
    else
        CopyEffectName(transfx::LoadString(m_nameId), text, length);
}

CEffectSetting* CTransition::GetParams(int* count) {
    if (count)
        *count = m_paramCount;
    return m_paramCount ? m_params : nullptr;
}

const SEffectIcon* CTransition::GetIcon() {
    if (!m_icon)
        m_icon = transfx::LoadIcon(m_bitmapId);
    return m_icon;
}

void CTransition::GetSize(int* width, int* height) {
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
}

void CTransition::SetSize(int width, int height) {
    if (m_sized && width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    m_sized = width > 0 && height > 0 && OnSizeChanged();
}

void CTransition::Reset() {
    m_width = m_height = m_frameCount = 0;
    m_srcA = m_srcB = nullptr;
    m_sized = false;
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
    // Nothing is drawn for a call the formulas cannot serve: no size or
    // working memory, fewer than two frames, a frame outside 0 … n − 1, or
    // buffers that are missing, too narrow or of mixed orientation (walking
    // one of them the wrong way would leave its memory).
    const long long row = 4LL * m_width;
    if (!m_sized || m_frameCount < 2 || frame < 0 || frame >= m_frameCount || !a || !b || !dst)
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

bool CTransition::CopyEnd(int i, std::uint8_t* d, int ds, const std::uint8_t* a, int as,
                          const std::uint8_t* b, int bs) const {
    if (i != 0 && i != m_frameCount - 1)
        return false;
    if (i == 0)
        CCPU::ippiCopy_8u_C4R(a, as, d, ds, {m_width, m_height});
    else
        CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {m_width, m_height});
    return true;
}
