// libFuzzer entry: any property that does not hold is reported as a crash.
#include <cstdio>
#include <cstdlib>

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string fault = CheckDrawingBytes(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "property violated: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
