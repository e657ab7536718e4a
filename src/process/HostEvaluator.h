#pragma once
// The binding to the host's evaluator: entry 11 of kesGen32.dll.
#include <string>

#include "core/NumberText.h"

namespace kes {

// The evaluator for ParseNumberText. The library is searched for as the platform
// does, without the current folder, and kept once loaded; while it or its entry
// is missing the answer is an empty function and the next call looks again.
HostEvaluateFn HostEvaluator();
// The first folder of that search that holds kesGen32.dll, empty when none
// does; the library is not loaded.
std::string HostLibraryFolder();

}  // namespace kes
