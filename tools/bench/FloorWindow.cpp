// Floor programs for the benchmarks: the least a Windows program can do for
// each thing KesUtil does, so the figures read as ratios, not as Wine speed.
//
//   KesFloorWindow.exe               creates and shows one window, until closed
//   KesFloorWindow.exe --exit        starts and ends
//   KesFloorWindow.exe --watch HWND  ends when that window is gone (10 ms polls)
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "win/Trace.h"

namespace {

constexpr wchar_t kFloorCaption[] = L"Kes floor window";
constexpr UINT_PTR kWatchTimer = 1;
HWND watched = nullptr;

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER: {
            // The same liveness test as the utility's watchdog.
            char name[1024];
            if (GetClassNameA(watched, name, sizeof name) == 0) DestroyWindow(hwnd);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    KES_TRACE_POINT("winmain");
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--exit") return 0;
    if (mode == L"--watch" && argc > 2)
        watched = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[2], nullptr, 10)));
    LocalFree(argv);

    WNDCLASSW wc{};
    wc.lpfnWndProc = &FloorProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KesFloorWindow";
    RegisterClassW(&wc);
    const bool watching = watched != nullptr;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, watching ? L"" : kFloorCaption,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100, 330, 190,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    if (watching)
        SetTimer(hwnd, kWatchTimer, 10, nullptr);
    else
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    KES_TRACE_POINT("window shown");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
