#include <windows.h>

#include <cstdint>
#include <cstring>

#include "evaluator/Evaluator.h"

namespace {

// First character of a locale setting; the fallback when the locale gives none.
char LocaleCharacter(LCTYPE type, char fallback) {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) > 1 && buffer[0] != '\0')
        return buffer[0];
    return fallback;
}

}  // namespace

// Entry 11 of kesGen32.dll (see kesGen32.def). The text is zero-terminated in
// the ANSI code page; the grammar is ASCII, so its bytes are read as they are
// and error offsets count ANSI characters. The two integer arguments belong to
// the host's own evaluator and are neither read nor written. Nothing may be
// thrown across this boundary.
extern "C" int32_t __stdcall HostEvaluate(char* text, double* value, int32_t* reserved1,
                                          int32_t* reserved2) noexcept {
    (void)reserved1;
    (void)reserved2;
    constexpr int32_t kNoPosition = -2000;
    if (text == nullptr || value == nullptr) return kNoPosition;
    try {
        const char decimalSeparator = LocaleCharacter(LOCALE_SDECIMAL, '.');
        const char listSeparator = LocaleCharacter(LOCALE_SLIST, ',');
        return kes::Evaluate(std::string_view(text, std::strlen(text)), *value, decimalSeparator,
                             listSeparator);
    } catch (...) {
        return kNoPosition;
    }
}
