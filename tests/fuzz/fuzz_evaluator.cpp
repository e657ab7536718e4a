// Evaluate must answer every text without crashing, and its answer must keep
// the host's encoding: 1 with a finite value, -(1000 + offset) with an offset
// inside the text, or -2000 and below.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "evaluator/Evaluator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the separators: the two usual locales, or any pair.
    char decimalSeparator = '.';
    char listSeparator = ',';
    size_t skip = 1;
    switch (data[0] % 4) {
        case 0:
            break;
        case 1:
            decimalSeparator = ',';
            listSeparator = ';';
            break;
        default:
            if (size < 3) return 0;
            decimalSeparator = static_cast<char>(data[1]);
            listSeparator = static_cast<char>(data[2]);
            skip = 3;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + skip, size - skip);
    double value = 0;
    const int32_t result = kes::Evaluate(text, value, decimalSeparator, listSeparator);
    if (result > 0) {
        if (result != 1 || !std::isfinite(value)) std::abort();
    } else if (result > -2000) {
        if (result > -1000 || static_cast<size_t>(-result - 1000) > text.size()) std::abort();
    }
    return 0;
}
