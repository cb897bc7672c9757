#include "plugins/transfx/Random.h"

namespace transfx {

std::uint32_t& RandState() {
    thread_local std::uint32_t state = 1;
    return state;
}

} // namespace transfx
