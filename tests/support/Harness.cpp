#include "support/Harness.h"

#include <cmath>

#include "win/Form.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    const std::wstring dir(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

bool AsTheUtility(MSG& msg) {
    return msg.message == WM_QUIT || win::Form::PreTranslate(msg);
}

HWND WaitForWindow(const wchar_t* windowClass, std::string_view caption, DWORD timeoutMs) {
    const std::wstring w = win::Widen(caption);
    HWND found = nullptr;
    const auto shown = [&] {
        found = tools::FindShownWindow(windowClass, w.empty() ? nullptr : w.c_str());
        return found != nullptr;
    };
    return WaitUntil(shown, timeoutMs) ? found : nullptr;
}

void PostKey(HWND target, UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, vk, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void PostMouseClick(HWND control, UINT downMessage) {
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    const WPARAM held = downMessage == WM_RBUTTONDOWN   ? MK_RBUTTON
                        : downMessage == WM_MBUTTONDOWN ? MK_MBUTTON
                                                        : MK_LBUTTON;
    PostMessageW(control, downMessage, held, at);
    PostMessageW(control, downMessage + 1, 0, at);
}

double TwipsPerPixel() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return 1440.0 / dpi;
}

testing::AssertionResult StandsAtRequest(HWND hwnd, int offsetY, int offsetX, int top, int left) {
    if (!hwnd) return testing::AssertionFailure() << "no window";
    RECT r{};
    GetWindowRect(hwnd, &r);
    const double t = TwipsPerPixel();
    const double x = left - 5 * t + offsetX, y = top - 5 * t + offsetY;
    if (std::abs(r.right * t - x) <= t / 2 && std::abs(r.bottom * t - y) <= t / 2)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "bottom-right at (" << r.right * t << ", " << r.bottom * t
                                       << "), anchor (" << x << ", " << y << ")";
}

std::optional<std::string> StoredValue(std::string_view section, std::string_view name) {
    std::string value = win::SettingsStore().Get(section, name);
    return value == kNoRegistryData ? std::nullopt : std::optional(std::move(value));
}

UtilitySession::UtilitySession(std::wstring utilityPath) : link_(std::move(utilityPath)) {
    const win::SettingsStore store;
    store.Delete(kSectionMisc, kScrollbarValue);
    store.Delete(kSectionMessages, kListMessageValue);
    // A visible, active host window, as a user working in the host has (a plain static
    // control as top-level window).
    host_ = CreateWindowExW(0, L"STATIC", L"Kestrelsim test host", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, nullptr, nullptr);
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
    const auto published = [&] { return link_.UtilityWindow().has_value(); };
    return link_.StartUtility(commandLine) &&
           WaitUntil([&] { return published() || !Running(); }, timeoutMs) && published();
}

SingleStart RunToEnd(std::string_view commandLine, DWORD timeoutMs) {
    host::HostLink link(BinDir() + L"\\KesUtil.exe");
    const ULONGLONG start = GetTickCount64();
    if (!link.StartUtility(commandLine)) return {};
    const bool ended = WaitUntil([&] { return link.WaitForExit(0); }, timeoutMs);
    const SingleStart result{ended, GetTickCount64() - start};
    if (!result.ended) TerminateProcess(link.Process(), 1);
    return result;
}

}  // namespace kes::test
