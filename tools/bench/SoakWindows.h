#pragma once
// What the soak needs from Windows to watch another process: its windows and
// controls found by caption, read and worked with bounded waits, its
// processes by name, and its footprint (USER objects, GDI objects, private bytes).
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kes::soak {

// Runs this thread's messages: the host window must keep answering broadcasts.
void Pump();
void PumpFor(DWORD ms);
// Polls pred, answering messages meanwhile, for at most timeoutMs.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs);

// One DDE execute from a thread of its own, so that a conversation stuck
// inside the platform cannot hold this thread: true when acknowledged in time.
bool ExecuteBounded(std::string_view service, std::string_view topic, std::string_view command,
                    DWORD timeoutMs);

// Ends this process with exit code 3 when WaitUntil and ExecuteBounded have
// not been reached for limitMs: whatever stalls, a run never hangs.
void GuardAgainstStalls(DWORD limitMs);

struct ShownWindow {
    HWND hwnd;
    std::string caption;
};
// The visible top-level windows of a process that have a caption.
std::vector<ShownWindow> ShownWindows(DWORD pid);
HWND FindShown(DWORD pid, std::string_view caption);

// Messages to another process's windows, never waiting more than 5 s.
LRESULT SendBounded(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
std::string TextOf(HWND hwnd);
void SetTextOf(HWND hwnd, std::string_view text);
// Posted: a click that opens a modal box must not hold this thread.
void PostClick(HWND button);
// A control by its caption (a button's, say); not for the contents of a text box.
HWND ChildWithText(HWND parent, std::string_view text);
// A child whose text contains the phrase.
HWND ChildContaining(HWND parent, std::string_view phrase);
// Children of a window class, left to right.
std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* className);
bool IsTopmost(HWND hwnd);

std::vector<DWORD> ProcessesNamed(std::wstring_view exeName);

struct Footprint {
    long userObjects = 0;
    std::optional<long> gdiObjects;  // none where no count works
    unsigned long long privateKiB = 0;
};

// Counts with the system's figures where they exist; under Wine, where
// GetGuiResources answers 0 and PrivateUsage is 0, with the ways that work there.
class FootprintGauge {
  public:
    FootprintGauge();
    Footprint Measure(HANDLE process, DWORD pid) const;
    // One line: how each figure is counted.
    std::string Methods() const;

  private:
    bool userFromSystem_ = false;
    bool gdiFromSystem_ = false;
    bool gdiFromTable_ = false;
    bool privateFromPrivateUsage_ = false;
};

}  // namespace kes::soak
