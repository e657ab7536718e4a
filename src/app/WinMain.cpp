// KesUtil.exe: the companion process of the Kestrelsim host.
#include <windows.h>

#include <string>

#include "app/Commands.h"
#include "app/EventLog.h"
#include "win/DiagLog.h"
#include "win/Form.h"
#include "win/WinText.h"
#include "win/Trace.h"

namespace {

// The arguments behind the program name, as the classic runtime hands them on.
std::string CommandArguments() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    std::string args = kes::win::Narrow(p);
    // A command string that was quoted as one argument (because its text holds
    // blanks) arrives with the quotes: a command string never ends in one.
    if (args.size() >= 2 && args.front() == '"' && args.back() == '"')
        args = args.substr(1, args.size() - 2);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    KES_TRACE_POINT("winmain");
    try {
        kes::Main(CommandArguments());
    } catch (...) {
        KES_LOG_HERE("start-up threw");
        kes::LogEnd("start-up failed");
        return 0;
    }
    KES_TRACE_POINT("main done");
    if (kes::win::Form::Forms().empty()) return 0;
    const int exitCode = kes::win::RunMessageLoop();
    KES_TRACE_POINT("message loop ended");
    return exitCode;
}
