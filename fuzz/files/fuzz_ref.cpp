// Old text reference files (.ref, layouts A and B).
#include "fuzz_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return tarnix::fuzz::FuzzReferenceLoad(data, size, ".ref", &tarnix::LoadOldRefFile);
}
