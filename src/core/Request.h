#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/HostContract.h"

namespace kes {

// The values of the last request, read by the tool windows when they load.
struct RequestValues {
    int32_t RequestCode = 0;
    std::string RequestText;
    int32_t RequestOffsetY = 0, RequestOffsetX = 0, RequestTop = 0, RequestLeft = 0;
    bool RememberPosition = false;
};

// What the caller still has to do after the values are stored.
enum class CommandAction {
    None,          // no usable code, or a start-only request
    FastWatchdog,  // poll the host window every 10 ms from now on
    Close,         // unload the window that RequestCode names (0, 1, 5 or 6)
    Open,          // ShowToolWindow with RequestCode
};

// 0, 1, 5 or 6: a number that opens and closes a window.
bool IsToolWindow(int32_t number);

// Stores the fields of one command string; a field that is absent or does not convert leaves
// its value as the previous request set it.
CommandAction ApplyCommand(std::string_view commandString, RequestValues& values,
                           double twipsPerPixelX, double twipsPerPixelY);

// The anchor point in twips, where a tool window puts its bottom-right corner.
inline int64_t AnchorX(const RequestValues& v) {
    return int64_t{v.RequestLeft} + v.RequestOffsetX;
}
inline int64_t AnchorY(const RequestValues& v) {
    return int64_t{v.RequestTop} + v.RequestOffsetY;
}

}  // namespace kes
