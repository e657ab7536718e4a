#pragma once
// Carrying out KesHost's steps against the running utility, with a log line
// per step.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/HostLink.h"
#include "host/KesHostScript.h"

namespace kes::host {

// Where the tool windows go: the fields 4 to 8 of an open request.
struct Anchor {
    int offsetY = 300;
    int offsetX = 4000;
    int top = 6000;
    int left = 10000;
    bool remember = false;
};

// Lines "hh:mm:ss.mmm  +seconds  step  outcome" to stdout and, if given, a file.
class StepLog {
  public:
    explicit StepLog(const std::wstring& file = {});
    StepLog(const StepLog&) = delete;
    StepLog& operator=(const StepLog&) = delete;

    void Line(std::string_view step, std::string_view outcome);
    void Raw(std::string_view text);
    bool HasConsole() const { return out_ != nullptr; }
    // Also shown elsewhere, e.g. in the host window's status line.
    std::function<void(const std::string&)> echo;

  private:
    HANDLE out_ = nullptr;  // the console, kept for the life of the process
    win::ScopedHandle file_;
    ULONGLONG start_;
};

// Runs this thread's messages for `ms`, with dialog keys for `dialog`.
void PumpFor(DWORD ms, HWND dialog = nullptr);
// The screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path, std::string& error);
// A visible top-level window whose caption matches the pattern.
HWND FindWindowByPattern(std::string_view pattern);

class ScriptRunner {
  public:
    // closeHost withdraws the handle and destroys the host window.
    ScriptRunner(HostLink& link, Anchor& anchor, StepLog& log, std::function<HWND()> hostWindow,
                 std::function<void()> closeHost);

    // Steps in order; stops at the first failure unless keepGoing. True when all succeeded.
    bool Run(const std::vector<Step>& steps, bool keepGoing);

  private:
    struct Outcome {
        bool ok = true;
        std::string text;
        bool quit = false;
    };
    // One handler per kind of step.
    Outcome Execute(const Step& step);
    Outcome StartStep(const Step& step);
    Outcome StartAgainStep(const Step& step);
    Outcome RequestStep(const Step& step);
    Outcome AnchorStep(const Step& step);
    Outcome WaitWindowStep(const Step& step);
    Outcome WaitNoWindowStep(const Step& step);
    Outcome SleepStep(const Step& step);
    Outcome ScreenshotStep(const Step& step);
    Outcome SettingStep(const Step& step);
    Outcome ReplyStep(const Step& step);
    Outcome ControlStep(const Step& step);
    Outcome CloseHostStep(const Step& step);
    Outcome WaitExitStep(const Step& step);
    Outcome LogStep(const Step& step);
    Outcome SendRequest(std::string_view commandString);
    void Pump(DWORD ms) const { PumpFor(ms, hostWindow_()); }

    HostLink& link_;
    Anchor& anchor_;
    StepLog& log_;
    std::function<HWND()> hostWindow_;
    std::function<void()> closeHost_;
    ULONGLONG hostClosedAt_ = 0;
};

// The utility next to this program.
std::wstring UtilityPathBesideThisProgram();

}  // namespace kes::host
