// Runs the message box or the calculator launcher in a process of its own,
// set up as Main sets up KesUtil, so tests can drive them through their
// windows. Arguments are name=value pairs:
//   out=<file>        where the outcome goes (UTF-8 lines name=value)
//   mode=message|calc
// message mode: text= icon= buttons= title= check=0|1 default= quiet=0|1
//   captions=a|b|c (the custom set), prompt= input= (the input box),
//   priorresult= priorcheck=0|1 priorinput= (outputs an earlier request left),
//   hourglass=1 (the pointer the caller had up), shutdown=<ms> (the main
//   window starts to unload that long after the box is up and asks it to close)
// calc mode: a window "Launcher probe" whose button runs LaunchCalculator and
//   appends task=<CalcTaskId> to the out file after each click.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "forms/MessageForm.h"
#include "util/Calculator.h"
#include "util/ShowMessage.h"
#include "util/Util.h"
#include "win/Form.h"
#include "win/WinText.h"

namespace kes {
namespace {

constexpr int kLaunchButtonId = 1;
constexpr UINT_PTR kShutdownTimerId = 1;

std::map<std::string, std::string> Arguments() {
    std::map<std::string, std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        const std::string arg = win::Narrow(argv[i]);
        const auto eq = arg.find('=');
        if (eq != std::string::npos) args[arg.substr(0, eq)] = arg.substr(eq + 1);
    }
    LocalFree(argv);
    return args;
}

std::string Arg(const std::map<std::string, std::string>& args, const std::string& name,
                const std::string& fallback = {}) {
    const auto it = args.find(name);
    return it == args.end() ? fallback : it->second;
}

int32_t IntArg(const std::map<std::string, std::string>& args, const std::string& name,
               int32_t fallback = 0) {
    const auto it = args.find(name);
    return it == args.end() ? fallback
                            : static_cast<int32_t>(std::strtol(it->second.c_str(), nullptr, 10));
}

// The text arguments use "\n" for a line feed and "\r" for a carriage return.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r')) {
            out += text[++i] == 'n' ? '\n' : '\r';
        } else {
            out += text[i];
        }
    }
    return out;
}

void SetUpAsMain() {
    UtilState& util = Util();
    util.MsgCustomButtons = kMsgCustomButtons;
    util.MsgCustomCancel = kMsgCustomCancel;
    util.DecimalSeparator = LocaleSeparator(LOCALE_SDECIMAL, '.');
    util.ListSeparator = LocaleSeparator(LOCALE_SLIST, ',');
    util.WindowsDir = GetWindowsDir();
    util.SystemDir = GetSystemDir();
}

void CALLBACK StartShutdown(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Util().ShuttingDown = true;
    if (messageForm && messageForm->Loaded()) PostMessageW(messageForm->Hwnd(), WM_CLOSE, 0, 0);
}

int RunMessage(const std::map<std::string, std::string>& args, std::ofstream& out) {
    MessageRequest& msg = Msg();
    const std::string captions = Arg(args, "captions");
    if (!captions.empty()) {
        size_t start = 0;
        int n = 0;
        while (n < kMaxMsgCaptions) {
            const size_t bar = captions.find('|', start);
            msg.MsgCaptions[n++] = captions.substr(start, bar - start);
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        msg.MsgCaptionCount = static_cast<int16_t>(n);
    }
    if (args.count("prompt")) {
        msg.MsgInputBox = true;
        msg.MsgInputPrompt = Arg(args, "prompt");
        msg.MsgInputDefault = Arg(args, "input");
    }
    msg.MsgResult = IntArg(args, "priorresult");
    msg.MsgCheckState = IntArg(args, "priorcheck") != 0;
    msg.MsgInputText = Arg(args, "priorinput");

    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    if (IntArg(args, "hourglass")) SetCursor(wait);
    if (const int32_t ms = IntArg(args, "shutdown"))
        SetTimer(nullptr, kShutdownTimerId, static_cast<UINT>(ms), &StartShutdown);

    bool checkState = IntArg(args, "priorcheck") != 0;
    const int32_t result =
        ShowMessage(Unescape(Arg(args, "text")), IntArg(args, "icon"), IntArg(args, "buttons"),
                    Arg(args, "title", "Probe"), IntArg(args, "check") != 0, checkState,
                    IntArg(args, "default"), IntArg(args, "quiet") != 0);

    out << "result=" << result << "\ncheck=" << (checkState ? 1 : 0)
        << "\ninput=" << msg.MsgInputText
        << "\npointer=" << (GetCursor() == wait ? "wait" : "other") << "\n";
    return 0;
}

// Stands in for the converter's and the token window's calculator button.
class LauncherProbe : public win::Form {
  public:
    explicit LauncherProbe(std::string outPath)
        : Form({L"KesLauncherProbe", "Launcher probe", 3000, 1200}), outPath_(std::move(outPath)) {}

  protected:
    void Form_Load() override {
        AddControl(L"BUTTON", "Launch", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kLaunchButtonId,
                   {300, 300, 1500, 375});
    }
    void OnCommand(int id, int notifyCode, HWND) override {
        if (id != kLaunchButtonId || notifyCode != BN_CLICKED) return;
        LaunchCalculator();
        std::ofstream(outPath_, std::ios::app) << "task=" << Util().CalcTaskId << "\n";
    }

  private:
    std::string outPath_;
};

int RunLauncher(const std::string& outPath) {
    LauncherProbe probe(outPath);
    probe.Load();
    if (!probe.Loaded()) return 1;
    probe.Show();
    return win::RunMessageLoop();
}

}  // namespace
}  // namespace kes

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace kes;
    const auto args = Arguments();
    SetUpAsMain();
    const std::string outPath = Arg(args, "out");
    if (Arg(args, "mode") == "calc") return RunLauncher(outPath);
    std::ofstream out(win::Widen(outPath).c_str());
    return RunMessage(args, out);
}
