#include "win/DiagLog.h"

#include <windows.h>

#include <cstdio>

namespace kes::win {
namespace {

// Opened once, kept for the life of the process; FILE_APPEND_DATA makes each
// write land whole at the end, also with the forwarding start writing beside
// the first instance.
HANDLE LogFile() noexcept {
    static const HANDLE file = [] {
        wchar_t path[MAX_PATH];
        const DWORD n = GetEnvironmentVariableW(L"KESUTIL_LOG", path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return INVALID_HANDLE_VALUE;
        return CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }();
    return file;
}

}  // namespace

bool LogEnabled() noexcept {
    return LogFile() != INVALID_HANDLE_VALUE;
}

void Log(std::string_view text) noexcept {
    if (!LogEnabled()) return;
    try {
        SYSTEMTIME t;
        GetLocalTime(&t);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", t.wYear,
                      t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
                      GetCurrentProcessId());
        std::string line = stamp;
        line.append(text).append("\r\n");
        DWORD written = 0;
        WriteFile(LogFile(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
        // Out of memory: the line is lost, nothing else.
    }
}

void LogAt(const char* file, int line, std::string_view what) noexcept {
    if (!LogEnabled()) return;
    try {
        std::string_view name(file);
        if (const auto slash = name.find_last_of("\\/"); slash != std::string_view::npos)
            name.remove_prefix(slash + 1);
        Log(std::string(name) + ':' + std::to_string(line) + ": " + std::string(what));
    } catch (...) {
    }
}

std::string Quoted(std::string_view bytes, bool keepUtf8) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F || (b >= 0x80 && !keepUtf8)) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace kes::win
