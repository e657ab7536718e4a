// A host library that misbehaves on request, for the converter's fault tests.
// The text chooses: "nan", "inf" and "-inf" report success with that value;
// "r<n>" fails with the result n as it stands (a position past the text, a
// magnitude beyond every encoding, 0); anything else is 1.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

extern "C" int32_t __stdcall HostEvaluate(char* text, double* value, int32_t*, int32_t*) noexcept {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    if (std::strcmp(text, "nan") == 0)
        *value = std::numeric_limits<double>::quiet_NaN();
    else if (std::strcmp(text, "inf") == 0)
        *value = kInf;
    else if (std::strcmp(text, "-inf") == 0)
        *value = -kInf;
    else if (text[0] == 'r')
        return static_cast<int32_t>(std::strtoll(text + 1, nullptr, 10));
    else
        *value = 1;
    return 1;
}
