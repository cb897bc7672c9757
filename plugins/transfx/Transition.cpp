#include "plugins/transfx/Transition.h"

#include "imgcore/CPU.h"

const SEffectIcon* CTransition::GetIcon() {
    if (!m_icon)
        m_icon = transfx::LoadIcon(m_iconNumber);
    return m_icon;
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
