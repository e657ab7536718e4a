#include "process/Calculator.h"

#include <windows.h>

#include <cwctype>
#include <string>

#include "core/TextUtil.h"
#include "process/Util.h"
#include "win/Handles.h"
#include "win/WinText.h"

namespace kes {
namespace {

constexpr std::wstring_view kCalculatorTitle = L"calculator";

bool IsCalculatorTitle(std::wstring_view title) {
    if (title.size() < kCalculatorTitle.size()) return false;
    for (size_t i = 0; i < kCalculatorTitle.size(); ++i)
        if (std::towlower(title[i]) != kCalculatorTitle[i]) return false;
    return true;
}

BOOL CALLBACK FindCalculator(HWND hwnd, LPARAM param) {
    if (!IsWindowVisible(hwnd)) return TRUE;
    wchar_t title[64] = {};
    GetWindowTextW(hwnd, title, 64);
    if (!IsCalculatorTitle(title)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// The calculator's window, whoever started it: a title that is "Calculator"
// or begins with it, in any letter case.
bool ActivateCalculator() {
    HWND found = nullptr;
    EnumWindows(&FindCalculator, reinterpret_cast<LPARAM>(&found));
    if (!found) return false;
    if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
    SetForegroundWindow(found);
    return true;
}

// A normal window that receives the focus; the task id is the process id.
bool StartProgram(const std::string& path, uint32_t& taskId) {
    const std::wstring application = win::Widen(path);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process))
        return false;
    const win::ScopedHandle thread(process.hThread), handle(process.hProcess);
    taskId = process.dwProcessId;
    return true;
}

}  // namespace

bool FileExists(std::string_view path) {
    if (TrimBlanks(path).empty()) return false;
    WIN32_FIND_DATAW found{};
    const std::wstring wide = win::Widen(path);
    if (!win::ScopedFind(FindFirstFileW(wide.c_str(), &found))) return false;
    // Normal files only, as the directory query sees them.
    constexpr DWORD kNotNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (found.dwFileAttributes & kNotNormal) return false;
    return !FileNameOf(path).empty();
}

std::optional<std::string> LaunchCalculator() {
    UtilState& util = Util();
    if (!ActivateCalculator()) util.CalcTaskId = 0;
    // The calculator this process started is still open and now in front.
    if (util.CalcTaskId != 0) return std::nullopt;

    std::string path = util.WindowsDir + "calc.exe";
    if (!FileExists(path)) path = util.SystemDir + "calc.exe";
    if (StartProgram(path, util.CalcTaskId)) return std::nullopt;
    util.CalcTaskId = 0;
    return path;
}

}  // namespace kes
