#include "common/Pump.h"

#include <algorithm>

namespace kes::tools {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs,
               const MessageFilter& filter) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (filter && filter(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        const auto wait = static_cast<DWORD>(std::min<ULONGLONG>(end - now, pollMs));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms, const MessageFilter& filter) {
    PumpUntil([] { return false; }, ms, ms, filter);
}

HWND FindShownWindow(const wchar_t* windowClass, const wchar_t* caption) {
    const HWND hwnd = FindWindowW(windowClass, caption);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

}  // namespace kes::tools
