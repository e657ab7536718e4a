#include "support/Harness.h"

#include "forms/MessageForm.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateHostWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KesTestHost";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"KesTestHost", L"Kestrelsim test host", WS_OVERLAPPEDWINDOW, 0, 0,
                           200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

}  // namespace

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

UtilitySession::UtilitySession(std::wstring utilityPath)
    : utilityPath_(utilityPath.empty() ? BinDir() + L"\\KesUtil.exe" : std::move(utilityPath)),
      link_(utilityPath_) {
    const win::SettingsStore store;
    store.Delete("Misc", "Scrollbar");
    store.Delete("Messages", "kesUtilListMessage");
    // A visible, active host window, as a user working in the host has.
    host_ = CreateHostWindow();
    ShowWindow(host_, SW_SHOWNORMAL);
    SetForegroundWindow(host_);
    link_.PublishHostWindow(host_);
}

UtilitySession::~UtilitySession() {
    if (Running()) link_.Send(host::kFastWatchdogRequest, 0);
    DestroyHost();
    if (!WaitForExit(5000) && link_.Process()) TerminateProcess(link_.Process(), 1);
    link_.WithdrawHostWindow();
}

bool UtilitySession::Start(std::string_view commandLine, DWORD timeoutMs) {
    if (!link_.StartUtility(commandLine)) return false;
    return WaitUntil([&] { return link_.UtilityWindow().has_value() || !Running(); }, timeoutMs) &&
           link_.UtilityWindow().has_value();
}

bool UtilitySession::StartAndWait(std::string_view commandLine, DWORD timeoutMs) {
    host::HostLink second(utilityPath_);
    if (!second.StartUtility(commandLine)) return false;
    return WaitUntil([&] { return second.WaitForExit(0); }, timeoutMs);
}

void UtilitySession::DestroyHost() {
    if (host_) DestroyWindow(host_);
    host_ = nullptr;
}

bool UtilitySession::WaitForExit(DWORD timeoutMs) {
    return WaitUntil([&] { return !Running(); }, timeoutMs);
}

bool UtilitySession::Running() const {
    return link_.Process() && !link_.WaitForExit(0);
}

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (GetTickCount64() >= end) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

HWND WaitForWindow(std::string_view caption, DWORD timeoutMs) {
    const std::wstring w = win::Widen(caption);
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindWindowW(nullptr, w.c_str());
            return found && IsWindowVisible(found);
        },
        timeoutMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool WaitForNoWindow(std::string_view caption, DWORD timeoutMs) {
    const std::wstring w = win::Widen(caption);
    return WaitUntil([&] { return FindWindowW(nullptr, w.c_str()) == nullptr; }, timeoutMs);
}

HWND WaitForControl(HWND parent, int id, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = GetDlgItem(parent, id)) != nullptr; }, timeoutMs);
    return found;
}

std::string WindowText(HWND hwnd) {
    return win::GetText(hwnd);
}
void SetWindowTextUtf8(HWND hwnd, std::string_view text) {
    win::SetText(hwnd, text);
}

void PostClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void PostKey(HWND target, UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, vk, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void PostChar(HWND target, wchar_t ch) {
    PostMessageW(target, WM_CHAR, ch, 1);
}

void PostMouseClick(HWND control, UINT downMessage) {
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    const WPARAM held = downMessage == WM_RBUTTONDOWN   ? MK_RBUTTON
                        : downMessage == WM_MBUTTONDOWN ? MK_MBUTTON
                                                        : MK_LBUTTON;
    PostMessageW(control, downMessage, held, at);
    // Each button's up message follows its down message.
    PostMessageW(control, downMessage + 1, 0, at);
}

bool IsTopmost(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

HWND WaitForMessageBox() {
    HWND box = WaitForWindow("Kestrelsim");
    return box && WaitForControl(box, kMsgCheckId) ? box : nullptr;
}

std::string AnswerMessageBox(int index) {
    HWND box = WaitForMessageBox();
    if (!box) return "<no message box>";
    const std::string text = WindowText(GetDlgItem(box, kMsgTextId));
    PostClick(GetDlgItem(box, kMsgFirstButtonId + index));
    WaitForNoWindow("Kestrelsim");
    return text;
}

double TwipsPerPixel() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return 1440.0 / dpi;
}

TwipBox TwipBoxOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    const double t = TwipsPerPixel();
    return {r.left * t, r.top * t, (r.right - r.left) * t, (r.bottom - r.top) * t};
}

}  // namespace kes::test
