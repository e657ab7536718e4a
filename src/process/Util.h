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
    char DecimalSeparator = '.';
    char ListSeparator = ',';
    std::string WindowsDir;
    std::string SystemDir;
    std::string SettingValue;
    int32_t HostWnd = 0;
    bool ShuttingDown = false;
    RequestValues Request;
    int32_t SavedHelpTop = 0;
    int32_t SavedHelpLeft = 0;
    uint32_t CalcTaskId = 0;
};

UtilState& Util();

std::string GetWindowsDir();
std::string GetSystemDir();
// The user's locale separator of the given type, or fallback.
char LocaleSeparator(unsigned long localeInfoType, char fallback);

}  // namespace kes
