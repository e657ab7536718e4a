#pragma once
// The one message pump and wait of the tools and the tests: the stand-in
// host, the benchmark and the test harness all wait through it.
#include <windows.h>

#include <functional>

namespace kes::tools {

// Sees a message before it is translated and dispatched; true when it has
// dealt with it.
using MessageFilter = std::function<bool(MSG&)>;

// Answers this thread's messages until `done` holds (true) or `timeoutMs` has
// passed (false), asking `done` again at least every `pollMs`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs,
               const MessageFilter& filter = {});

// Answers this thread's messages for `ms`.
void PumpFor(DWORD ms, const MessageFilter& filter = {});

// A visible top-level window of this class (null: any) and caption (null:
// any), else null.
HWND FindShownWindow(const wchar_t* windowClass, const wchar_t* caption = nullptr);

}  // namespace kes::tools
