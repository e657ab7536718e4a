#pragma once
// The Util module: the process-wide state and the shared procedures that are
// not event handlers of a window.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Request.h"

namespace kes {

inline constexpr std::string_view kAppName = "Kestrelsim";
inline constexpr std::string_view kSectionMisc = "Misc";
inline constexpr std::string_view kSectionMessages = "Messages";
inline constexpr std::string_view kHostWndValue = "Kestrelsim hWnd";
inline constexpr std::string_view kScrollbarValue = "Scrollbar";
inline constexpr std::string_view kListMessageValue = "kesUtilListMessage";
inline constexpr std::string_view kDdeService = "KesUtil";
inline constexpr std::string_view kDdeTopic = "KesUtil_MSG";

// Everything the windows share. Starts as 0, empty text or false.
struct UtilState {
    int32_t MsgCustomButtons = 0;
    int32_t MsgCustomCancel = 0;
    // One character each, UTF-8 like all text inside.
    std::string DecimalSeparator = ".";
    std::string ListSeparator = ",";
    std::string WindowsDir;
    std::string SystemDir;
    std::vector<std::string> SectionNames;
    std::string SettingValue;
    int32_t HostWnd = 0;
    bool ShuttingDown = false;
    bool HelpOpen = false;
    bool ConverterOpen = false;
    RequestValues Request;
    int32_t SavedHelpTop = 0;
    int32_t SavedHelpLeft = 0;
    uint32_t CalcTaskId = 0;
};

UtilState& Util();

// Start-up: decides whether this process lives (see Main.cpp).
void Main(std::string_view commandLine);
// One command string from the command line or a DDE execute.
void ProcessCommand(std::string_view commandString);
// Opens the window that Util().Request.RequestCode names, as a fresh instance.
void ShowToolWindow();

std::string GetWindowsDir();
std::string GetSystemDir();
// A directory query of the ANSI API (bytes in the ANSI code page, the count as its result).
using AnsiDirectoryQuery = unsigned (*)(char* buffer, unsigned size);
// The folder that query gives, in UTF-8 and ending in "\"; "\" alone when it fails.
std::string AnsiDirectory(AnsiDirectoryQuery query);
// The user's locale separator of the given type, or fallback.
std::string LocaleSeparator(unsigned long localeInfoType, std::string_view fallback);

}  // namespace kes
