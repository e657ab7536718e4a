// Floor for a DDE request that opens a window: a DDE server on the same DDEML
// building block as KesUtil whose execute does nothing but (re)create and show
// one window. "open", "close" and "quit" are its commands.
#include <windows.h>

#include "win/Dde.h"

namespace {

constexpr wchar_t kToolCaption[] = L"Kes floor tool";
HWND tool = nullptr;

LRESULT CALLBACK ToolProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Execute(const std::string& command) {
    if (tool) DestroyWindow(tool);
    tool = nullptr;
    if (command == "open") {
        tool = CreateWindowExW(WS_EX_TOPMOST, L"KesFloorTool", kToolCaption,
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 500, 200, 330, 190, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(tool, SW_SHOWNOACTIVATE);
    } else if (command == "quit") {
        PostQuitMessage(0);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ToolProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KesFloorTool";
    RegisterClassW(&wc);
    kes::win::DdeServer server;
    if (!server.Start("KesFloor", "Floor", &Execute)) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
