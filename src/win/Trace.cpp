#include "win/Trace.h"

#if defined(KES_TRACE)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "win/Handles.h"

namespace kes::win {
namespace {

struct Point {
    const char* name;
    LONGLONG ticks;
};
constexpr int kCapacity = 4096;
Point points[kCapacity];
std::atomic<int> used{0};

// One write per process, so processes ending together do not interleave lines.
void WritePoints() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"KES_TRACE_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::string text;
    const int count = std::min(used.load(), kCapacity);
    for (int i = 0; i < count; ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "%lu %lld %s\n", GetCurrentProcessId(), points[i].ticks,
                      points[i].name);
        text += line;
    }
    const ScopedHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void TracePoint(const char* name) noexcept {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    static const bool registered = std::atexit(&WritePoints) == 0;
    static_cast<void>(registered);
    const int i = used.fetch_add(1);
    if (i < kCapacity) points[i] = {name, now.QuadPart};
}

}  // namespace kes::win
#endif
