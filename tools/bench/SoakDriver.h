#pragma once
// The soak proper: a seeded random mix of requests to a running utility, each
// checked for its acknowledgement and for the windows, list contents, texts
// and token reply it must leave behind; the footprint after the warm-up and
// at the end.
#include <windows.h>

#include <cstdint>
#include <string_view>

#include "SoakFloor.h"
#include "SoakWindows.h"
#include "hostlink/HostLink.h"

namespace kes::soak {

inline constexpr int kWarmupRequests = 200;

// One DDE execute; true when the utility acknowledged it within 5 s.
bool SendRequest(std::string_view command);

struct SoakResult {
    int requests = 0;
    int failed = 0;
    Footprint baseline, end;
    double seconds = 0;
    // Sent from the baseline on: DDE execute text, and text the help window showed.
    double executeKiB = 0, editKiB = 0;
    double platformKiB = 0;  // what the platform keeps of those, by its floor
};

// link has started the utility and published the host window.
SoakResult RunSoak(host::HostLink& link, const FootprintGauge& gauge,
                   const PlatformRetention& retention, int requests, uint64_t seed,
                   char decimalSeparator);

}  // namespace kes::soak
