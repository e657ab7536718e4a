#pragma once
// A plain top-level window for the bench tools: a host window to publish, or
// a target to watch. It answers every message the default way.
#include <windows.h>

namespace kes::bench {

inline HWND CreatePlainWindow(const wchar_t* caption) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KesBenchPlain";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, L"KesBenchPlain", caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace kes::bench
