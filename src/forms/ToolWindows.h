#pragma once
// What the tool windows do to each other and what the command processor asks
// of them: open and close by window number, and where an open one stands.
#include <cstdint>
#include <optional>

#include "core/Placement.h"

namespace kes {

// Opens the window that Util().Request.RequestCode names, as a fresh instance,
// modeless, topmost and not activated; other numbers open nothing.
void ShowToolWindow();
// Unloads the window a close request names (0 and 1 both mean help).
void CloseToolWindow(int32_t window);
// The outer box of the window a number names, while it is loaded.
std::optional<WindowBox> ToolWindowBox(int32_t window);
// The calculator buttons: bring up the calculator, or say which program is missing.
void RunCalculator();

}  // namespace kes
