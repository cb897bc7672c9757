#pragma once

// How the process's allocator gives freed memory back to the system.
// Rendering frees picture-sized blocks all the time (decoded photographs,
// prepared scales, frames). By default glibc raises its mmap threshold to
// the largest block freed so far, after which such blocks come from the heap
// and their freed memory stays there, fragmented: a render's peak memory
// grew with the album's length (150 MB for ten photographs, 173 MB for
// twenty, on a DVD). Fixed thresholds keep it flat (110 MB for both).
class CHeapPolicy {
public:
    // Once, at the start of main, before any thread.
    static void Apply();
};
