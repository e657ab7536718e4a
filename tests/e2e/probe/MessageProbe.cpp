// Runs the message box or the calculator launcher in a process of its own, set up as Main sets up
// KesUtil, so tests drive them through their windows. Arguments are name=value pairs:
//   out=<file> (UTF-8 lines name=value), mode=message|calc
//   message: text= ("\n" is a line feed) icon= buttons= title= check=0|1 default= quiet=0|1
//     captions=a|b|c, prompt= input=, priorresult= priorcheck= priorinput= (an earlier request's
//     outputs), hourglass=1 (the caller's pointer), shutdown=<ms> (Main unloads after that long)
//   calc: a window "Launcher probe" whose button runs LaunchCalculator and appends task=CalcTaskId.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <map>
#include <string>

#include "forms/MessageForm.h"
#include "forms/ToolWindows.h"
#include "forms/ShowMessage.h"
#include "process/Util.h"
#include "win/Form.h"
#include "win/WinText.h"

namespace kes {
namespace {

constexpr int kLaunchButtonId = 1;
std::map<std::string, std::string> args;

int32_t IntArg(const std::string& name) {
    return args.count(name) ? std::stoi(args[name]) : 0;
}

void CALLBACK StartShutdown(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Util().ShuttingDown = true;
    if (messageForm && messageForm->Loaded()) PostMessageW(messageForm->Hwnd(), WM_CLOSE, 0, 0);
}

int RunMessage() {
    MessageRequest& msg = Msg();
    if (args.count("captions")) {
        const std::string captions = args["captions"] + "|";
        int16_t n = 0;
        for (size_t start = 0, bar;
             n < kMaxMsgCaptions && (bar = captions.find('|', start)) != std::string::npos;
             start = bar + 1)
            msg.MsgCaptions[n++] = captions.substr(start, bar - start);
        msg.MsgCaptionCount = n;
    }
    if (args.count("prompt")) {
        msg.MsgInputBox = true;
        msg.MsgInputPrompt = args["prompt"];
        msg.MsgInputDefault = args["input"];
    }
    msg.MsgResult = IntArg("priorresult");
    msg.MsgInputText = args["priorinput"];
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    if (IntArg("hourglass")) SetCursor(wait);
    if (IntArg("shutdown"))
        SetTimer(nullptr, 1, static_cast<UINT>(IntArg("shutdown")), &StartShutdown);
    const std::string& raw = args["text"];
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        const bool lineFeed = raw.compare(i, 2, "\\n") == 0;
        text += lineFeed ? '\n' : raw[i];
        i += lineFeed ? 1 : 0;
    }

    bool checkState = IntArg("priorcheck") != 0;
    msg.MsgCheckState = checkState;
    const int32_t result = ShowMessage({.text = text,
                                        .icon = IntArg("icon"),
                                        .buttons = IntArg("buttons"),
                                        .title = args.count("title") ? args["title"] : "Probe",
                                        .showCheck = IntArg("check") != 0,
                                        .defaultButton = IntArg("default"),
                                        .quietFlag = IntArg("quiet") != 0},
                                       &checkState);
    std::ofstream(win::Widen(args["out"]).c_str())
        << "result=" << result << "\ncheck=" << checkState << "\ninput=" << msg.MsgInputText
        << "\npointer=" << (GetCursor() == wait ? "wait" : "other") << "\n";
    return 0;
}

// Stands in for the converter's and the token window's calculator button.
class LauncherProbe : public win::Form {
  public:
    LauncherProbe() : Form({L"KesLauncherProbe", "Launcher probe", 3000, 1200}) {}

  protected:
    void Form_Load() override {
        AddControl(L"BUTTON", "Launch", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kLaunchButtonId,
                   {300, 300, 1500, 375});
    }
    void OnCommand(int id, int notifyCode, HWND) override {
        if (id != kLaunchButtonId || notifyCode != BN_CLICKED) return;
        RunCalculator();
        std::ofstream(win::Widen(args["out"]).c_str(), std::ios::app)
            << "task=" << Util().CalcTaskId << "\n";
    }
};

}  // namespace
}  // namespace kes

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace kes;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        const std::string arg = win::Narrow(argv[i]);
        if (const auto eq = arg.find('='); eq != std::string::npos)
            args[arg.substr(0, eq)] = arg.substr(eq + 1);
    }
    LocalFree(argv);
    UtilState& util = Util();
    util.DecimalSeparator = LocaleSeparator(LOCALE_SDECIMAL, ".");
    util.ListSeparator = LocaleSeparator(LOCALE_SLIST, ",");
    util.WindowsDir = GetWindowsDir();
    util.SystemDir = GetSystemDir();
    if (args["mode"] != "calc") return RunMessage();
    LauncherProbe probe;
    probe.Load();
    if (!probe.Loaded()) return 1;
    probe.Show();
    return win::RunMessageLoop();
}
