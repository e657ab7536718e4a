// KesHost.exe: a stand-in for the Kestrelsim host. It keeps the host's side
// of the contract (publishes its window, starts the utility, sends requests,
// shows the shared settings) so the utility can be tried by hand or driven
// by a script.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "hostlink/HostLink.h"
#include "host/KesHostRunner.h"
#include "host/KesHostScript.h"
#include "win/Handles.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::host {
namespace {

constexpr wchar_t kClassName[] = L"KesStandInHost";
constexpr char kCaption[] = "Kestrelsim stand-in host";
constexpr UINT_PTR kLiveViewTimer = 1;
constexpr UINT kLiveViewMs = 250;

enum ControlId : int {
    kOffsetYEdit = 100,
    kOffsetXEdit,
    kTopEdit,
    kLeftEdit,
    kRememberCheck,
    kConverterButton = 200,
    kConverterClose,
    kFunctionListButton,
    kFunctionListClose,
    kHelpTextButton,
    kHelpTextClose,
    kHelpTextEdit,
    kTokenListButton,
    kTokenListClose,
    kTokenListEdit,
    kFastWatchdogButton,
    kStartOnlyButton,
    kCommandEdit,
    kSendButton,
    kStartButton,
    kScrollbarView = 300,
    kReplyView,
    kTakeReplyButton,
    kUtilityValue,
    kStatusText,
};

constexpr char kUsage[] =
    "KesHost.exe - stand-in Kestrelsim host for KesUtil.exe\n"
    "\n"
    "  KesHost.exe                         the interactive host window\n"
    "  KesHost.exe --script FILE [--log FILE] [--keep-going] [--stay]\n"
    "  KesHost.exe --step \"LINE\" [--step \"LINE\" ...] [options]\n"
    "\n"
    "The host window (\"Kestrelsim stand-in host\") is created and published as\n"
    "\"Kestrelsim hWnd\" first; then the steps run, one log line each. The program\n"
    "exits after the steps (exit code 0 when all succeeded, 1 when one failed,\n"
    "2 for a malformed script) unless --stay keeps the window open.\n"
    "  --keep-going   run the later steps after a failure (exit code still 1)\n"
    "  --log FILE     write the log lines to FILE as well as to stdout\n"
    "\n"
    "Steps (captions with blanks in \"quotes\"; a trailing text takes the rest of the line):\n";

struct Options {
    std::vector<Step> steps;
    std::vector<std::string> errors;
    std::wstring logFile;
    bool keepGoing = false;
    bool stay = false;
    bool help = false;
};

std::string UsageText() {
    std::string text = kUsage;
    for (const auto& entry : kStepTable) {
        std::string line = "  " + std::string(entry.usage);
        line.resize(std::max<std::size_t>(line.size() + 2, 52), ' ');
        text += line + std::string(entry.help) + "\n";
    }
    return text;
}

std::string ReadFileUtf8(const std::wstring& path, bool& ok) {
    win::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = static_cast<bool>(file);
    std::string text;
    if (!ok) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

void AddSteps(Options& options, const Script& script, const std::string& origin) {
    options.steps.insert(options.steps.end(), script.steps.begin(), script.steps.end());
    for (const auto& e : script.errors) options.errors.push_back(origin + " " + e);
}

Options ParseOptions() {
    Options options;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == L"--help" || a == L"-h" || a == L"/?") {
            options.help = true;
        } else if (a == L"--keep-going") {
            options.keepGoing = true;
        } else if (a == L"--stay") {
            options.stay = true;
        } else if (a == L"--log" && hasValue) {
            options.logFile = argv[++i];
        } else if (a == L"--script" && hasValue) {
            const std::wstring path = argv[++i];
            bool ok = false;
            const std::string text = ReadFileUtf8(path, ok);
            if (!ok)
                options.errors.push_back("cannot read " + win::Narrow(path));
            else
                AddSteps(options, ParseScript(text), win::Narrow(path));
        } else if (a == L"--step" && hasValue) {
            AddSteps(options, ParseScript(win::Narrow(argv[++i])), "--step");
        } else {
            options.errors.push_back("unknown argument " + win::Narrow(a));
        }
    }
    LocalFree(argv);
    return options;
}

// The window: requests on the left-to-right, top-to-bottom tab order of
// creation; a live view of the shared settings refreshed by a timer.
class HostWindow {
  public:
    explicit HostWindow(HostLink& link) : link_(link) {}

    bool Create(bool scripted);
    HWND Hwnd() const { return hwnd_; }
    void Close() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    Anchor& CurrentAnchor() { return anchor_; }
    // Edits and anchor fields take what a script set.
    void ShowAnchor();
    void SetStatus(const std::string& text);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Build();
    HWND Add(const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
             int h, DWORD exStyle = 0);
    int Px(int units) const { return MulDiv(units, dpi_, 96); }
    void OnButton(int id);
    void Request(const std::string& commandString, bool startWhenNotRunning);
    void ReadAnchor();
    void RefreshLiveView();
    std::string Text(int id) const { return win::GetText(GetDlgItem(hwnd_, id)); }
    void SetIfChanged(int id, const std::string& text);

    HostLink& link_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    bool scripted_ = false;
    win::ScopedGdiObject font_;
    Anchor anchor_;
};

bool HostWindow::Create(bool scripted) {
    scripted_ = scripted;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &HostWindow::WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    {
        win::ScopedGetDC screen(nullptr);
        dpi_ = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Px(520), Px(400)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    // Top left of the screen, out of the way of the tool windows at the anchor.
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, win::Widen(kCaption).c_str(), style,
                            Px(8), Px(8), frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    Build();
    link_.PublishHostWindow(hwnd_);
    RefreshLiveView();
    SetStatus("Published \"Kestrelsim hWnd\" = " +
              std::to_string(static_cast<int32_t>(reinterpret_cast<INT_PTR>(hwnd_))));
    ::SetTimer(hwnd_, kLiveViewTimer, kLiveViewMs, nullptr);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    SetFocus(GetDlgItem(hwnd_, kConverterButton));
    return true;
}

HWND HostWindow::Add(const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                     int w, int h, DWORD exStyle) {
    HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, Px(x), Px(y), Px(w),
                             Px(h), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return c;
}

void HostWindow::Build() {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(8, dpi_, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    font_.Reset(CreateFontIndirectW(&lf));

    constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_TABSTOP;
    constexpr DWORD kLabel = SS_LEFT;  // "&" marks the access key of the field behind it
    const auto edit = [&](int id, const wchar_t* text, int x, int y, int w) {
        Add(L"EDIT", text, kEdit, id, x, y, w, 20, WS_EX_CLIENTEDGE);
    };
    const auto label = [&](const wchar_t* text, int x, int y, int w) {
        Add(L"STATIC", text, kLabel, -1, x, y + 3, w, 16);
    };

    Add(L"BUTTON", L"Anchor (twips)", BS_GROUPBOX, -1, 8, 6, 504, 52);
    label(L"Offset &Y", 18, 26, 48);
    edit(kOffsetYEdit, L"300", 68, 26, 50);
    label(L"Offset &X", 128, 26, 48);
    edit(kOffsetXEdit, L"4000", 178, 26, 50);
    label(L"&Top", 238, 26, 26);
    edit(kTopEdit, L"6000", 266, 26, 50);
    label(L"&Left", 326, 26, 26);
    edit(kLeftEdit, L"10000", 354, 26, 50);
    Add(L"BUTTON", L"Re&member", BS_AUTOCHECKBOX | WS_TABSTOP, kRememberCheck, 416, 28, 90, 16);

    Add(L"BUTTON", L"Requests", BS_GROUPBOX, -1, 8, 64, 504, 196);
    Add(L"BUTTON", L"&Converter (5)", kButton, kConverterButton, 18, 84, 130, 23);
    Add(L"BUTTON", L"Close", kButton, kConverterClose, 152, 84, 56, 23);
    Add(L"BUTTON", L"&Function list (0)", kButton, kFunctionListButton, 18, 112, 130, 23);
    Add(L"BUTTON", L"Close", kButton, kFunctionListClose, 152, 112, 56, 23);
    Add(L"BUTTON", L"&Help text (1)", kButton, kHelpTextButton, 18, 140, 130, 23);
    Add(L"BUTTON", L"Close", kButton, kHelpTextClose, 152, 140, 56, 23);
    edit(kHelpTextEdit, L"Spectral power between the markers: -12.5 dBm in 2.4 MHz.", 216, 141,
         286);
    Add(L"BUTTON", L"T&oken list (6)", kButton, kTokenListButton, 18, 168, 130, 23);
    Add(L"BUTTON", L"Close", kButton, kTokenListClose, 152, 168, 56, 23);
    edit(kTokenListEdit, L"3~Layer~1 Input~3 Mixer~5 Filter~9 Output~", 216, 169, 286);
    Add(L"BUTTON", L"Fast &watchdog (-2)", kButton, kFastWatchdogButton, 18, 196, 130, 23);
    Add(L"BUTTON", L"Start onl&y (-3)", kButton, kStartOnlyButton, 152, 196, 110, 23);
    label(L"Co&mmand", 18, 228, 56);
    edit(kCommandEdit, L"0@5@@300@4000@6000@10000@False@", 76, 228, 270);
    Add(L"BUTTON", L"&Send", kButton, kSendButton, 352, 226, 70, 23);
    Add(L"BUTTON", L"Start &utility", kButton, kStartButton, 426, 226, 76, 23);

    Add(L"BUTTON", L"Shared settings", BS_GROUPBOX, -1, 8, 266, 504, 96);
    label(win::Widen(kes::kScrollbarValue).c_str(), 18, 284, 104);
    const auto value = [&](int id, int y, int w) {
        Add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, id, 124, y + 3, w, 16);
    };
    value(kScrollbarView, 284, 380);
    label(win::Widen(kes::kListMessageValue).c_str(), 18, 306, 104);
    value(kReplyView, 306, 290);
    Add(L"BUTTON", L"Take &reply", kButton, kTakeReplyButton, 426, 303, 76, 23);
    label(L"KesUtil.exe", 18, 332, 104);
    value(kUtilityValue, 332, 380);

    Add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_SUNKEN | SS_ENDELLIPSIS, kStatusText, 8, 372,
        504, 20);
}

LRESULT CALLBACK HostWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->Handle(msg, wp, lp);
    } catch (...) {
        result = 0;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

LRESULT HostWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) OnButton(LOWORD(wp));
            return 0;
        case WM_TIMER:
            if (wp == kLiveViewTimer) RefreshLiveView();
            return 0;
        case WM_DESTROY:
            // The contract's way to end the utility: the published window goes away.
            ::KillTimer(hwnd_, kLiveViewTimer);
            link_.WithdrawHostWindow();
            if (!scripted_) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void HostWindow::ReadAnchor() {
    const auto field = [&](int id, int& value) {
        if (auto v = ParseStepInteger(Text(id))) value = *v;
    };
    field(kOffsetYEdit, anchor_.offsetY);
    field(kOffsetXEdit, anchor_.offsetX);
    field(kTopEdit, anchor_.top);
    field(kLeftEdit, anchor_.left);
    anchor_.remember = IsDlgButtonChecked(hwnd_, kRememberCheck) == BST_CHECKED;
}

void HostWindow::ShowAnchor() {
    if (!hwnd_) return;
    SetDlgItemInt(hwnd_, kOffsetYEdit, static_cast<UINT>(anchor_.offsetY), TRUE);
    SetDlgItemInt(hwnd_, kOffsetXEdit, static_cast<UINT>(anchor_.offsetX), TRUE);
    SetDlgItemInt(hwnd_, kTopEdit, static_cast<UINT>(anchor_.top), TRUE);
    SetDlgItemInt(hwnd_, kLeftEdit, static_cast<UINT>(anchor_.left), TRUE);
    CheckDlgButton(hwnd_, kRememberCheck, anchor_.remember ? BST_CHECKED : BST_UNCHECKED);
}

void HostWindow::OnButton(int id) {
    ReadAnchor();
    const auto open = [&](int window, const std::string& text) {
        Request(OpenRequest(window, text, anchor_.offsetY, anchor_.offsetX, anchor_.top,
                            anchor_.left, anchor_.remember),
                true);
    };
    switch (id) {
        case kConverterButton:
            open(kWindowConverter, "");
            break;
        case kFunctionListButton:
            open(kWindowFunctionList, "");
            break;
        case kHelpTextButton:
            open(kWindowHelpText, Text(kHelpTextEdit));
            break;
        case kTokenListButton:
            open(kWindowTokenList, Text(kTokenListEdit));
            break;
        case kConverterClose:
            Request(CloseRequest(kWindowConverter), false);
            break;
        case kFunctionListClose:
            Request(CloseRequest(kWindowFunctionList), false);
            break;
        case kHelpTextClose:
            Request(CloseRequest(kWindowHelpText), false);
            break;
        case kTokenListClose:
            Request(CloseRequest(kWindowTokenList), false);
            break;
        case kFastWatchdogButton:
            Request(std::string(kFastWatchdogRequest), false);
            break;
        case kStartOnlyButton:
            Request(std::string(kStartOnlyRequest), false);
            break;
        case kSendButton:
            Request(Text(kCommandEdit), false);
            break;
        case kStartButton: {
            // A start while one runs is the forwarding path; the link keeps the newest process.
            std::string command = Text(kCommandEdit);
            if (command.empty()) command = kStartOnlyRequest;
            SetStatus(link_.StartUtility(command) ? "Started KesUtil.exe " + command
                                                  : "Cannot start KesUtil.exe");
            break;
        }
        case kTakeReplyButton: {
            const auto reply = link_.TakeReply();
            SetStatus(reply ? "Took reply \"" + *reply + "\"" : "No reply waiting");
            RefreshLiveView();
            break;
        }
        default:
            break;
    }
}

void HostWindow::Request(const std::string& commandString, bool startWhenNotRunning) {
    // As a real host does: the first request starts the utility, later ones go over DDE.
    const auto utility = link_.UtilityWindow();
    if (startWhenNotRunning && !(utility && IsWindow(*utility))) {
        SetStatus(link_.StartUtility(commandString) ? "Started KesUtil.exe " + commandString
                                                    : "Cannot start KesUtil.exe");
        return;
    }
    const ULONGLONG t0 = GetTickCount64();
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const bool acked = link_.Send(commandString, 1000);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SetStatus((acked ? "Sent " : "Not acknowledged (is KesUtil running?): ") + commandString +
              (acked ? "  (" + std::to_string(GetTickCount64() - t0) + " ms)" : ""));
}

void HostWindow::SetIfChanged(int id, const std::string& text) {
    if (Text(id) != text) win::SetText(GetDlgItem(hwnd_, id), text);
}

void HostWindow::RefreshLiveView() {
    const win::SettingsStore store;
    const std::string scrollbar = store.Get(kes::kSectionMisc, kes::kScrollbarValue);
    const std::string reply = store.Get(kes::kSectionMessages, kes::kListMessageValue);
    const auto utility = link_.UtilityWindow();
    SetIfChanged(kScrollbarView,
                 scrollbar == kNoRegistryData
                     ? "(absent)"
                     : scrollbar + (utility && IsWindow(*utility) ? "  (a live window)"
                                                                  : "  (no such window)"));
    SetIfChanged(kReplyView, reply == kNoRegistryData ? "(absent)" : reply);
    std::string process = "not started by this host";
    if (link_.Process())
        process = (link_.WaitForExit(0) ? "ended (pid " : "running (pid ") +
                  std::to_string(link_.ProcessId()) + ")";
    SetIfChanged(kUtilityValue, process);
}

void HostWindow::SetStatus(const std::string& text) {
    SetIfChanged(kStatusText, " " + text);
}

int Run() {
    const Options options = ParseOptions();
    StepLog log(options.logFile);
    const bool scripted = !options.steps.empty();
    if (options.help || !options.errors.empty()) {
        std::string text;
        for (const auto& e : options.errors) text += e + "\n";
        if (!options.errors.empty()) text += "\n";
        text += UsageText();
        if (log.HasConsole())
            log.Raw(text);
        else
            MessageBoxW(nullptr, win::Widen(text).c_str(), win::Widen(kCaption).c_str(),
                        options.errors.empty() ? MB_ICONINFORMATION : MB_ICONERROR);
        return options.errors.empty() ? 0 : 2;
    }

    HostLink link(UtilityPathBesideThisProgram());
    HostWindow window(link);
    if (!window.Create(scripted && !options.stay)) return 1;
    if (scripted) {
        log.Line("host",
                 "window " + win::GetText(window.Hwnd()) + " published as \"Kestrelsim hWnd\"");
        log.echo = [&](const std::string& line) {
            if (window.Hwnd()) window.SetStatus(line);
        };
        ScriptRunner runner(
            link, window.CurrentAnchor(), log, [&] { return window.Hwnd(); },
            [&] { window.Close(); });
        const bool ok = runner.Run(options.steps, options.keepGoing);
        window.ShowAnchor();
        log.Line("end", ok ? "all steps succeeded" : "a step FAILED");
        if (!options.stay || !window.Hwnd()) {
            window.Close();
            return ok ? 0 : 1;
        }
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.Hwnd() && IsDialogMessageW(window.Hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace kes::host

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        return kes::host::Run();
    } catch (...) {
        return 1;
    }
}
