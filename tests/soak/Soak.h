#pragma once
// What the soak's parts share: requests that cannot hold this thread, the
// guard against stalls, another process's footprint, and the platform's floor.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "hostlink/HostLink.h"

namespace kes::soak {

// Ends this process with exit code 3 when Execute has not been reached for 2 minutes.
void GuardAgainstStalls();
// One DDE execute from a thread of its own, so that a conversation stuck
// inside the platform cannot hold this thread: true when acknowledged in time.
bool Execute(std::string_view service, std::string_view topic, std::string_view command,
             DWORD timeoutMs = 5000);
inline bool Send(std::string_view command) {
    return Execute(kDdeService, kDdeTopic, command);
}

struct Footprint {
    long userObjects = 0;               // the process's windows, message-only ones included
    std::optional<long> gdiObjects;     // none when the count fails its self-check
    unsigned long long privateKiB = 0;  // PagefileUsage: Wine fills it, PrivateUsage is 0 there
};
Footprint Measure(HANDLE process, DWORD pid);

// Private bytes the platform keeps per byte of DDE execute text received and
// per character shown in a multi-line edit since destroyed, measured on
// "KesSoak.exe --floor" (RunFloor), which runs nothing of the utility.
struct Retention {
    double perExecuteByte = 0, perEditChar = 0;
};
Retention MeasureRetention();
int RunFloor();

// Says on stderr what does not hold; the exit code follows.
void Check(bool ok, const std::string& what);

// The soak of the utility of `link`, which runs with no window open: the soak line.
void RunSoak(host::HostLink& link, int requests, unsigned long long seed);

}  // namespace kes::soak
