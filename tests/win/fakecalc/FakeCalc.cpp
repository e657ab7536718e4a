// A stand-in desktop calculator: one normal window titled "Calculator" that ends when it is closed
// (a plain static control as top-level window, which the default handling destroys on close).
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"Calculator", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 260, 320, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, show);
    for (MSG msg; IsWindow(hwnd) && GetMessageW(&msg, nullptr, 0, 0) > 0;) DispatchMessageW(&msg);
    return hwnd ? 0 : 1;
}
