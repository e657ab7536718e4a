#pragma once
// What the Wine tests share: pumping and waiting, windows found and worked
// with real messages, and a host that runs KesUtil.exe as a separate process.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/Pump.h"
#include "hostlink/HostLink.h"

namespace kes::test {

// The folder of the running test program (where KesUtil.exe and kesGen32.dll are).
std::wstring BinDir();

// This thread's messages as the utility's own loops take them (key preview
// first). The quit message the last form posts is dropped.
bool AsTheUtility(MSG& msg);
// Runs this thread's messages for the given time.
inline void Pump(DWORD ms) {
    tools::PumpFor(ms, AsTheUtility);
}
// Polls until pred() holds; pumps meanwhile.
inline bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000) {
    return tools::PumpUntil(pred, timeoutMs, 10, AsTheUtility);
}

// A visible top-level window of this class (or any) with this caption (or any).
HWND WaitForWindow(const wchar_t* windowClass, std::string_view caption = {},
                   DWORD timeoutMs = 5000);
inline bool WaitForNoWindow(const wchar_t* windowClass, DWORD timeoutMs = 5000) {
    return WaitUntil([&] { return !FindWindowW(windowClass, nullptr); }, timeoutMs);
}
inline HWND FindVisible(const wchar_t* windowClass) {
    return tools::FindShownWindow(windowClass);
}

// The converter at an anchor that keeps it on the screen.
inline const std::string kConverterRequest =
    host::OpenRequest(kWindowConverter, "", 300, 4000, 4500, 2400, false);

void PostKey(HWND target, UINT vk);
// A mouse click in the middle of a control: the button's down, then its up message.
void PostMouseClick(HWND control, UINT downMessage = WM_LBUTTONDOWN);
inline bool IsTopmost(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
inline DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}
double TwipsPerPixel();
// The window's bottom-right corner stands on the anchor of an open request
// (top and left less 5 pixels), to the pixel.
testing::AssertionResult StandsAtRequest(HWND hwnd, int offsetY, int offsetX, int top, int left);

// A shared setting, absent as nullopt.
std::optional<std::string> StoredValue(std::string_view section, std::string_view name);

// One host with its published window. Construction clears what an earlier
// run may have left ("Scrollbar", the token reply); destruction ends the
// utility (fast watchdog, then the host window goes) and waits for it.
class UtilitySession {
  public:
    explicit UtilitySession(std::wstring utilityPath = BinDir() + L"\\KesUtil.exe");
    ~UtilitySession();
    UtilitySession(const UtilitySession&) = delete;
    UtilitySession& operator=(const UtilitySession&) = delete;

    host::HostLink& Link() { return link_; }
    HWND HostWindow() const { return host_; }
    // Starts KesUtil.exe and waits until it has published its window.
    bool Start(std::string_view commandLine, DWORD timeoutMs = 8000);
    bool Send(std::string_view commandString) { return link_.Send(commandString); }
    std::optional<std::string> Reply() const { return link_.PeekReply(); }
    void DestroyHost() { DestroyWindow(std::exchange(host_, nullptr)); }
    bool WaitForExit(DWORD timeoutMs) {
        return WaitUntil([&] { return !Running(); }, timeoutMs);
    }
    bool Running() const { return link_.Process() && !link_.WaitForExit(0); }

  private:
    host::HostLink link_;
    HWND host_ = nullptr;
};

// One further start of KesUtil.exe, timed until it ends.
struct SingleStart {
    bool ended = false;
    ULONGLONG elapsedMs = 0;
};
SingleStart RunToEnd(std::string_view commandLine, DWORD timeoutMs);

}  // namespace kes::test
