#pragma once
// Driving KesUtil.exe from a test the way a host and a user would: a real host
// window, real requests over DDE, windows found by caption and worked with
// real messages.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "host/HostLink.h"

namespace kes::test {

// The folder of the running test program (where KesUtil.exe and kesGen32.dll are).
std::wstring BinDir();

// One host with its published window. Construction clears what an earlier
// run may have left ("Scrollbar", the token reply); destruction ends the
// utility (fast watchdog, then the host window goes) and waits for it.
class UtilitySession {
  public:
    explicit UtilitySession(std::wstring utilityPath = {});
    ~UtilitySession();
    UtilitySession(const UtilitySession&) = delete;
    UtilitySession& operator=(const UtilitySession&) = delete;

    HWND HostWindow() const { return host_; }
    host::HostLink& Link() { return link_; }

    // Starts KesUtil.exe with the command line and waits until it has
    // published its window (or ended: the result is then false).
    bool Start(std::string_view commandLine, DWORD timeoutMs = 8000);
    // Starts a further instance and waits for it to end.
    bool StartAndWait(std::string_view commandLine, DWORD timeoutMs = 10000);
    bool Send(std::string_view commandString) { return link_.Send(commandString); }
    std::optional<std::string> Reply() const { return link_.PeekReply(); }
    void DestroyHost();
    bool WaitForExit(DWORD timeoutMs);
    bool Running() const;

  private:
    std::wstring utilityPath_;
    host::HostLink link_;
    HWND host_ = nullptr;
};

// Runs this thread's messages for the given time (the host window must keep
// answering broadcasts).
void Pump(DWORD ms);
// A visible top-level window with exactly this caption, waiting for it.
HWND WaitForWindow(std::string_view caption, DWORD timeoutMs = 5000);
bool WaitForNoWindow(std::string_view caption, DWORD timeoutMs = 5000);
// A control of a window, waiting until it exists.
HWND WaitForControl(HWND parent, int id, DWORD timeoutMs = 5000);
// Polls until pred() holds; pumps meanwhile.
template <class Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= end) return false;
        Pump(10);
    }
}

std::string WindowText(HWND hwnd);
void SetWindowTextUtf8(HWND hwnd, std::string_view text);
// Posted, so a click that opens a modal box does not block the test.
void PostClick(HWND button);
void PostKey(HWND target, UINT vk);
void PostChar(HWND target, wchar_t ch);
// A real mouse click in the middle of a control (down, then up), by default
// with the left button.
void PostMouseClick(HWND control, UINT downMessage = WM_LBUTTONDOWN);
bool IsTopmost(HWND hwnd);
// The focused control of another process's window.
HWND FocusOf(HWND window);
DWORD ProcessOf(HWND hwnd);

// The utility's own message box ("Kestrelsim"), once all its controls exist.
HWND WaitForMessageBox();
// Its message text; then its button `index` (0 is the first) is clicked and the
// box waited out. "<no message box>" when none came.
std::string AnswerMessageBox(int index);

struct TwipBox {
    double left, top, width, height;
};
TwipBox TwipBoxOf(HWND hwnd);
double TwipsPerPixel();

}  // namespace kes::test
