// The libFuzzer entry point of one target; KV_FUZZ_BODY names its body in
// fuzz/FuzzTargets.h.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kvfuzz::KV_FUZZ_BODY(data, size);
}
