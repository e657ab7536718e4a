#pragma once
// The Util module: the process-wide state and the shared procedures that are
// not event handlers of a window.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/HostContract.h"
#include "core/Request.h"

namespace kes {

// Everything the windows share. Starts as 0, empty text or false.
struct UtilState {
    // One character each, UTF-8 like all text inside.
    std::string DecimalSeparator = ".";
    std::string ListSeparator = ",";
    std::string WindowsDir;
    std::string SystemDir;
    int32_t HostWnd = 0;
    bool ShuttingDown = false;
    RequestValues Request;
    int32_t SavedHelpTop = 0;
    int32_t SavedHelpLeft = 0;
    uint32_t CalcTaskId = 0;
};

UtilState& Util();

// Deletes a token reply the host has not taken, if there is one.
void DropStaleReply();

std::string GetWindowsDir();
std::string GetSystemDir();
// A directory query of the ANSI API (bytes in the ANSI code page, the count as its result).
using AnsiDirectoryQuery = unsigned (*)(char* buffer, unsigned size);
// The folder that query gives, in UTF-8 and ending in "\"; "\" alone when it fails.
std::string AnsiDirectory(AnsiDirectoryQuery query);
// The user's locale separator of the given type, or fallback.
std::string LocaleSeparator(unsigned long localeInfoType, std::string_view fallback);

}  // namespace kes
