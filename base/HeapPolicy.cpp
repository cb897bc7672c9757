#include "base/HeapPolicy.h"

#include <cstdlib> // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void CHeapPolicy::Apply() {
#if defined(__GLIBC__)
    // Blocks of 128 KB and more get pages of their own, returned when freed
    // (the default, which glibc otherwise raises to the largest block freed
    // so far, after which pictures come from the heap and stay there).
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
    mallopt(M_TRIM_THRESHOLD, 1 << 20);
#endif
}
