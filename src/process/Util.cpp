#include "process/Util.h"

#include <windows.h>

#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes {

UtilState& Util() {
    static UtilState state;
    return state;
}

void DropStaleReply() {
    // Presence first: deleting a value that is not there is never attempted.
    const win::SettingsStore store;
    if (store.Contains(kSectionMessages, kListMessageValue))
        store.Delete(kSectionMessages, kListMessageValue);
}

std::string AnsiDirectory(AnsiDirectoryQuery query) {
    char buffer[145] = {};
    const unsigned n = query(buffer, sizeof buffer);
    // A failed call (0) or one that needs a bigger buffer gives "\" alone. The slash is looked
    // for after the conversion: in a double-byte code page 0x5C may end a two-byte character.
    std::string dir = win::AnsiToUtf8(std::string_view(buffer, n < sizeof buffer ? n : 0));
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

namespace {

unsigned WindowsDirectoryA(char* buffer, unsigned size) {
    return GetWindowsDirectoryA(buffer, size);
}
unsigned SystemDirectoryA(char* buffer, unsigned size) {
    return GetSystemDirectoryA(buffer, size);
}

}  // namespace

std::string GetWindowsDir() {
    return AnsiDirectory(&WindowsDirectoryA);
}
std::string GetSystemDir() {
    return AnsiDirectory(&SystemDirectoryA);
}

std::string LocaleSeparator(unsigned long localeInfoType, std::string_view fallback) {
    // Two bytes: a separator longer than one ANSI character fails the call.
    char buffer[2] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, static_cast<LCTYPE>(localeInfoType), buffer, 2) == 0)
        return std::string(fallback);
    std::string separator = win::AnsiToUtf8(std::string_view(buffer, 1));
    return separator.empty() ? std::string(fallback) : separator;
}

}  // namespace kes
