#pragma once
// The binding to the host's evaluator: entry 11 of kesGen32.dll.
#include "core/NumberText.h"

namespace kes {

// The evaluator for ParseNumberText. The library is loaded once, at the first
// call, from the program's folder or else the system folders; the answer is an
// empty function when the library or its entry is missing.
HostEvaluateFn HostEvaluator();

}  // namespace kes
