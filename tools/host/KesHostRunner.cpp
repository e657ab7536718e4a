#include "host/KesHostRunner.h"

#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "common/Pump.h"
#include "win/Handles.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::host {
namespace {

constexpr DWORD kDefaultWaitMs = 5000;
constexpr DWORD kDefaultExitWaitMs = 10000;
constexpr DWORD kStartWaitMs = 8000;

DWORD WaitArg(const Step& step, std::size_t index, DWORD fallback) {
    if (step.args.size() <= index) return fallback;
    const auto value = ParseStepInteger(step.args[index]);
    return value && *value > 0 ? static_cast<DWORD>(*value) : 0;
}

int IntArg(const Step& step, std::size_t index) {
    return step.args.size() > index ? ParseStepInteger(step.args[index]).value_or(0) : 0;
}

std::string Hex(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(p)));
    return text;
}

// Tab, Enter and Escape act in `dialog` while it stands.
tools::MessageFilter DialogKeys(HWND dialog) {
    return
        [dialog](MSG& msg) { return dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg); };
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HWND dialog) {
    return tools::PumpUntil(done, timeoutMs, 5, DialogKeys(dialog));
}

std::string SettingText(std::string_view section, std::string_view name) {
    const std::string value = win::SettingsStore().Get(section, name);
    return value == kNoRegistryData ? "(absent)" : "\"" + value + "\"";
}

void WriteAll(HANDLE h, std::string_view text) {
    DWORD written = 0;
    if (h) WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

StepLog::StepLog(const std::wstring& file) : start_(GetTickCount64()) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    // A GUI program started from a console has none of its own: borrow the parent's.
    if ((!out || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    out_ = out == INVALID_HANDLE_VALUE ? nullptr : out;
    if (!file.empty())
        file_.Reset(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void StepLog::Raw(std::string_view text) {
    WriteAll(out_, text);
    if (file_) WriteAll(file_.Get(), text);
}

void StepLog::Line(std::string_view step, std::string_view outcome) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u %+8.3fs  ", now.wHour, now.wMinute,
                  now.wSecond, now.wMilliseconds, (GetTickCount64() - start_) / 1000.0);
    const std::string line = std::string(step) + "  ->  " + std::string(outcome);
    Raw(stamp + line + "\n");
    if (echo) echo(line);
}

void PumpFor(DWORD ms, HWND dialog) {
    tools::PumpFor(ms, DialogKeys(dialog));
}

bool SaveScreenshot(const std::wstring& path, std::string& error) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        error = "no screen";
        return false;
    }
    win::ScopedGetDC screen(nullptr);
    HDC memory = CreateCompatibleDC(screen.Get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::ScopedGdiObject bitmap(
        CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits) {
        if (memory) DeleteDC(memory);
        error = "no bitmap";
        return false;
    }
    bool copied;
    {
        win::ScopedSelectObject select(memory, bitmap.Get());
        copied =
            BitBlt(memory, 0, 0, width, height, screen.Get(), left, top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
    }
    DeleteDC(memory);
    if (!copied) {
        error = "BitBlt failed";
        return false;
    }
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    win::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool ok =
        file && WriteFile(file.Get(), &header, sizeof header, &written, nullptr) &&
        WriteFile(file.Get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
        WriteFile(file.Get(), bits, imageSize, &written, nullptr);
    if (!ok) error = "cannot write the file";
    return ok;
}

namespace {

struct PatternSearch {
    std::string_view pattern;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto& search = *reinterpret_cast<PatternSearch*>(lp);
    if (!IsWindowVisible(hwnd) || !CaptionMatches(search.pattern, win::GetText(hwnd))) return TRUE;
    search.found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindWindowByPattern(std::string_view pattern) {
    PatternSearch search{pattern};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring UtilityPathBesideThisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"KesUtil.exe";
}

ScriptRunner::ScriptRunner(HostLink& link, Anchor& anchor, StepLog& log,
                           std::function<HWND()> hostWindow, std::function<void()> closeHost)
    : link_(link),
      anchor_(anchor),
      log_(log),
      hostWindow_(std::move(hostWindow)),
      closeHost_(std::move(closeHost)) {}

bool ScriptRunner::Run(const std::vector<Step>& steps, bool keepGoing) {
    bool allOk = true;
    for (const Step& step : steps) {
        std::string shown = step.name;
        for (const auto& arg : step.args)
            if (!arg.empty())
                shown += arg.find(' ') == std::string::npos ? " " + arg : " \"" + arg + "\"";
        Outcome outcome;
        try {
            outcome = Execute(step);
        } catch (const std::exception& e) {
            outcome = {false, std::string("error: ") + e.what()};
        }
        log_.Line(shown, (outcome.ok ? "ok" : "FAILED") +
                             (outcome.text.empty() ? "" : ": " + outcome.text));
        allOk = allOk && outcome.ok;
        if (outcome.quit || (!outcome.ok && !keepGoing)) break;
    }
    return allOk;
}

ScriptRunner::Outcome ScriptRunner::SendRequest(std::string_view commandString) {
    const ULONGLONG t0 = GetTickCount64();
    const bool acked = link_.Send(commandString);
    const auto ms = std::to_string(GetTickCount64() - t0);
    if (!acked) return {false, "no acknowledgement (" + ms + " ms); is the utility running?"};
    return {true, "acknowledged in " + ms + " ms"};
}

namespace {

const std::string& Arg(const Step& step, std::size_t i) {
    static const std::string kEmpty;
    return i < step.args.size() ? step.args[i] : kEmpty;
}

// "N ms" since the step began.
struct Stopwatch {
    ULONGLONG t0 = GetTickCount64();
    std::string operator()() const { return std::to_string(GetTickCount64() - t0) + " ms"; }
};

}  // namespace

ScriptRunner::Outcome ScriptRunner::StartStep(const Step& step) {
    const Stopwatch elapsed;
    const std::string command = Arg(step, 0).empty() ? kStartOnlyRequest : Arg(step, 0);
    if (!link_.StartUtility(command)) return {false, "cannot start KesUtil.exe"};
    const auto published = [&] { return link_.UtilityWindow().has_value(); };
    const auto ended = [&] { return link_.WaitForExit(0); };
    PumpUntil([&] { return published() || ended(); }, kStartWaitMs, hostWindow_());
    if (ended()) {
        DWORD code = 0;
        GetExitCodeProcess(link_.Process(), &code);
        return {false, "KesUtil.exe ended (exit code " + std::to_string(code) + ") after " +
                           elapsed() + "; another instance running?"};
    }
    if (!published()) return {false, "no \"Scrollbar\" after " + elapsed()};
    return {true, "pid " + std::to_string(link_.ProcessId()) + ", Scrollbar " +
                      Hex(*link_.UtilityWindow()) + " after " + elapsed()};
}

ScriptRunner::Outcome ScriptRunner::StartAgainStep(const Step& step) {
    const Stopwatch elapsed;
    HostLink second(UtilityPathBesideThisProgram());
    if (!second.StartUtility(Arg(step, 0))) return {false, "cannot start KesUtil.exe"};
    if (!PumpUntil([&] { return second.WaitForExit(0); }, kDefaultExitWaitMs, hostWindow_()))
        return {false, "second instance still running after " + elapsed()};
    DWORD code = 0;
    GetExitCodeProcess(second.Process(), &code);
    return {true, "second instance ended after " + elapsed() + " (exit code " +
                      std::to_string(code) + ")"};
}

ScriptRunner::Outcome ScriptRunner::RequestStep(const Step& step) {
    switch (step.kind) {
        case StepKind::Open: {
            const std::string request =
                OpenRequest(IntArg(step, 0), Arg(step, 1), anchor_.offsetY, anchor_.offsetX,
                            anchor_.top, anchor_.left, anchor_.remember);
            Outcome outcome = SendRequest(request);
            outcome.text = request + ": " + outcome.text;
            return outcome;
        }
        case StepKind::Close:
            return SendRequest(CloseRequest(IntArg(step, 0)));
        case StepKind::FastWatchdog:
            return SendRequest(kFastWatchdogRequest);
        case StepKind::StartOnly:
            return SendRequest(kStartOnlyRequest);
        default:
            return SendRequest(Arg(step, 0));
    }
}

ScriptRunner::Outcome ScriptRunner::AnchorStep(const Step& step) {
    anchor_.offsetY = IntArg(step, 0);
    anchor_.offsetX = IntArg(step, 1);
    anchor_.top = IntArg(step, 2);
    anchor_.left = IntArg(step, 3);
    anchor_.remember = step.args.size() > 4 && ParseStepBoolean(Arg(step, 4)).value_or(false);
    return {};
}

ScriptRunner::Outcome ScriptRunner::WaitWindowStep(const Step& step) {
    const Stopwatch elapsed;
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindWindowByPattern(Arg(step, 0))) != nullptr; },
              WaitArg(step, 1, kDefaultWaitMs), hostWindow_());
    if (!found) return {false, "not shown within " + elapsed()};
    RECT r{};
    GetWindowRect(found, &r);
    return {true, "\"" + win::GetText(found) + "\" after " + elapsed() + " at " +
                      std::to_string(r.left) + "," + std::to_string(r.top) + " size " +
                      std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                      " px"};
}

ScriptRunner::Outcome ScriptRunner::WaitNoWindowStep(const Step& step) {
    const Stopwatch elapsed;
    // Hidden windows count as gone: a closed form may be destroyed a moment later.
    const bool gone = PumpUntil([&] { return FindWindowByPattern(Arg(step, 0)) == nullptr; },
                                WaitArg(step, 1, kDefaultWaitMs), hostWindow_());
    if (!gone) return {false, "still shown after " + elapsed()};
    return {true, "gone after " + elapsed()};
}

ScriptRunner::Outcome ScriptRunner::SleepStep(const Step& step) {
    Pump(WaitArg(step, 0, 0));
    return {};
}

ScriptRunner::Outcome ScriptRunner::ScreenshotStep(const Step& step) {
    std::string error;
    if (!SaveScreenshot(win::Widen(Arg(step, 0)), error)) return {false, error};
    return {true, "written"};
}

ScriptRunner::Outcome ScriptRunner::SettingStep(const Step& step) {
    const std::string shown = SettingText(Arg(step, 0), Arg(step, 1));
    const win::SettingsStore store;
    switch (step.kind) {
        case StepKind::ExpectSetting:
            return {store.Get(Arg(step, 0), Arg(step, 1)) == Arg(step, 2), shown};
        case StepKind::ExpectNoSetting:
            return {!store.Contains(Arg(step, 0), Arg(step, 1)), shown};
        default:
            return {true, shown};
    }
}

ScriptRunner::Outcome ScriptRunner::ReplyStep(const Step& step) {
    const auto reply = link_.TakeReply();
    if (step.kind == StepKind::Reply)
        return {true, reply ? "\"" + *reply + "\" (taken)" : "no reply waiting"};
    if (!reply) return {false, "no reply waiting"};
    return {*reply == Arg(step, 0), "\"" + *reply + "\" (taken)"};
}

ScriptRunner::Outcome ScriptRunner::ControlStep(const Step& step) {
    HWND window = nullptr;
    PumpUntil([&] { return (window = FindWindowByPattern(Arg(step, 0))) != nullptr; },
              kDefaultWaitMs, hostWindow_());
    if (!window) return {false, "no window \"" + Arg(step, 0) + "\""};
    HWND control = GetDlgItem(window, IntArg(step, 1));
    if (!control) return {false, "no control " + Arg(step, 1)};
    if (step.kind == StepKind::Click) {
        // Posted: a click that opens a modal box must not hold the script.
        PostMessageW(control, BM_CLICK, 0, 0);
        Pump(50);
        return {};
    }
    if (step.kind == StepKind::ExpectText) {
        std::string now;
        const bool matched =
            PumpUntil([&] { return CaptionMatches(Arg(step, 2), now = win::GetText(control)); },
                      kDefaultWaitMs, hostWindow_());
        return {matched, "\"" + now + "\""};
    }
    const std::wstring text = win::Widen(Arg(step, 2));
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 2000, &result);
    return {true, "now \"" + win::GetText(control) + "\""};
}

ScriptRunner::Outcome ScriptRunner::CloseHostStep(const Step&) {
    closeHost_();
    hostClosedAt_ = GetTickCount64();
    return {true, "host window destroyed, \"Kestrelsim hWnd\" withdrawn"};
}

ScriptRunner::Outcome ScriptRunner::WaitExitStep(const Step& step) {
    const Stopwatch elapsed;
    const DWORD timeout = WaitArg(step, 0, kDefaultExitWaitMs);
    // Started by someone else: its published window going away is all we see.
    const auto ended = [&] {
        if (link_.Process()) return link_.WaitForExit(0);
        const auto w = link_.UtilityWindow();
        return !w || !IsWindow(*w);
    };
    const bool gone = PumpUntil(ended, timeout, hostWindow_());
    std::string text = (gone ? "ended after " : "still running after ") + elapsed();
    if (gone && hostClosedAt_)
        text += " (" + std::to_string(GetTickCount64() - hostClosedAt_) +
                " ms after the host window went)";
    return {gone, text};
}

ScriptRunner::Outcome ScriptRunner::LogStep(const Step& step) {
    return {true, Arg(step, 0), step.kind == StepKind::Quit};
}

ScriptRunner::Outcome ScriptRunner::Execute(const Step& step) {
    using Handler = Outcome (ScriptRunner::*)(const Step&);
    static const std::map<StepKind, Handler> kHandlers = {
        {StepKind::Start, &ScriptRunner::StartStep},
        {StepKind::StartAgain, &ScriptRunner::StartAgainStep},
        {StepKind::Send, &ScriptRunner::RequestStep},
        {StepKind::Anchor, &ScriptRunner::AnchorStep},
        {StepKind::Open, &ScriptRunner::RequestStep},
        {StepKind::Close, &ScriptRunner::RequestStep},
        {StepKind::FastWatchdog, &ScriptRunner::RequestStep},
        {StepKind::StartOnly, &ScriptRunner::RequestStep},
        {StepKind::WaitWindow, &ScriptRunner::WaitWindowStep},
        {StepKind::WaitNoWindow, &ScriptRunner::WaitNoWindowStep},
        {StepKind::Sleep, &ScriptRunner::SleepStep},
        {StepKind::Screenshot, &ScriptRunner::ScreenshotStep},
        {StepKind::ReadSetting, &ScriptRunner::SettingStep},
        {StepKind::ExpectSetting, &ScriptRunner::SettingStep},
        {StepKind::ExpectNoSetting, &ScriptRunner::SettingStep},
        {StepKind::Reply, &ScriptRunner::ReplyStep},
        {StepKind::ExpectReply, &ScriptRunner::ReplyStep},
        {StepKind::SetText, &ScriptRunner::ControlStep},
        {StepKind::Click, &ScriptRunner::ControlStep},
        {StepKind::ExpectText, &ScriptRunner::ControlStep},
        {StepKind::CloseHost, &ScriptRunner::CloseHostStep},
        {StepKind::WaitExit, &ScriptRunner::WaitExitStep},
        {StepKind::Log, &ScriptRunner::LogStep},
        {StepKind::Quit, &ScriptRunner::LogStep},
    };
    const auto handler = kHandlers.find(step.kind);
    if (handler == kHandlers.end()) return {false, "unknown step"};
    return (this->*handler->second)(step);
}

}  // namespace kes::host
