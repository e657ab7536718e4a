#pragma once
// Timing trace points, for finding where a start or a request spends its time.
// Built in only with the CMake option KES_TRACE (off by default, refused in
// release builds): then each point records its QueryPerformanceCounter value
// and, when the process ends, the points are appended to the file named by the
// environment variable KES_TRACE_FILE, one "<process id> <ticks> <name>" line
// each. KesBench --trace reads them back (scripts/bench.sh --trace).
#if defined(KES_TRACE)
namespace kes::win {
// `name` must outlive the process (a string literal).
void TracePoint(const char* name) noexcept;
}  // namespace kes::win
#define KES_TRACE_POINT(name) ::kes::win::TracePoint(name)
#else
#define KES_TRACE_POINT(name) static_cast<void>(0)
#endif
