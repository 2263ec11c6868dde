// libFuzzer target: the PE header check on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "update/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)IsPe64Image(std::span(data, size));
    return 0;
}
