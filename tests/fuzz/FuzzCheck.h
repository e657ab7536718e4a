#pragma once
#include <cstdlib>

// A broken property is a crash the fuzzer reports with its input.
inline void Check(bool condition) {
    if (!condition) std::abort();
}
