#include "process/Util.h"

#include <windows.h>

namespace kes {

UtilState& Util() {
    static UtilState state;
    return state;
}

namespace {

std::string DirectoryWithSlash(UINT (*query)(LPSTR, UINT)) {
    char buffer[145] = {};
    const UINT n = query(buffer, sizeof buffer);
    // A failed call (0) or one that needs a bigger buffer gives "\" alone.
    std::string dir(buffer, n < sizeof buffer ? n : 0);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

UINT WindowsDirectoryA(LPSTR buffer, UINT size) {
    return GetWindowsDirectoryA(buffer, size);
}
UINT SystemDirectoryA(LPSTR buffer, UINT size) {
    return GetSystemDirectoryA(buffer, size);
}

}  // namespace

std::string GetWindowsDir() {
    return DirectoryWithSlash(&WindowsDirectoryA);
}
std::string GetSystemDir() {
    return DirectoryWithSlash(&SystemDirectoryA);
}

char LocaleSeparator(unsigned long localeInfoType, char fallback) {
    // Two characters: a separator longer than one character fails the call.
    char buffer[2] = {};
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, static_cast<LCTYPE>(localeInfoType), buffer, 2) != 0
               ? buffer[0]
               : fallback;
}

}  // namespace kes
