#pragma once
// Pictures drawn in code, made at first use and kept for the life of the process.
#include <windows.h>

namespace kes {

// 16 by 16: the calculator buttons of the converter and the token window.
HICON CalculatorIcon16();
// 32 by 32: the converter's window icon.
HICON ConverterIcon32();

}  // namespace kes
