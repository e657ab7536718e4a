// KesUtil.exe: the companion process of the Kestrelsim host.
#include <windows.h>

#include <string>

#include "util/Util.h"
#include "win/Form.h"
#include "win/WinText.h"

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
    return kes::win::Narrow(p);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        kes::Main(CommandArguments());
    } catch (...) {
        return 0;
    }
    if (kes::win::Form::Forms().empty()) return 0;
    return kes::win::RunMessageLoop();
}
