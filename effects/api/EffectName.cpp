#include "effects/api/EffectName.h"

#include <algorithm>
#include <cstring>

void CopyEffectName(const char* text, char* out, int length) {
    if (!out || length <= 0)
        return;
    std::size_t n = std::min<std::size_t>(std::strlen(text), std::size_t(length) - 1);
    n = std::min<std::size_t>(n, 255);
    std::memcpy(out, text, n);
    out[n] = '\0';
}
