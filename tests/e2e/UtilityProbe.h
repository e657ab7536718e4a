#pragma once
// What the start, request, watchdog and DDE scenarios share: tool windows found
// by class (captions change with the topic), single starts timed to their end,
// the shared settings.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "host/HostLink.h"
#include "support/Harness.h"
#include "win/SettingsStore.h"

namespace kes::test {

inline constexpr wchar_t kMainClass[] = L"KesUtilMain";
inline constexpr wchar_t kConverterClass[] = L"KesUtilConverter";
inline constexpr wchar_t kHelpClass[] = L"KesUtilHelp";
inline constexpr wchar_t kTokenListClass[] = L"KesUtilTokenList";

inline std::wstring UtilityPath() {
    return BinDir() + L"\\KesUtil.exe";
}

inline HWND FindToolWindow(const wchar_t* windowClass) {
    const HWND hwnd = FindWindowW(windowClass, nullptr);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}
inline HWND WaitForToolWindow(const wchar_t* windowClass, DWORD timeoutMs = 5000) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindToolWindow(windowClass)) != nullptr; }, timeoutMs);
    return found;
}
inline bool WaitForNoToolWindow(const wchar_t* windowClass, DWORD timeoutMs = 5000) {
    return WaitUntil([&] { return FindWindowW(windowClass, nullptr) == nullptr; }, timeoutMs);
}

inline std::optional<std::string> StoredValue(std::string_view section, std::string_view name) {
    const std::string value = win::SettingsStore().Get(section, name);
    if (value == kNoRegistryData) return std::nullopt;
    return value;
}
inline std::optional<std::string> Scrollbar() {
    return StoredValue("Misc", "Scrollbar");
}

// The tool window's bottom-right corner stands on the anchor (twips), to the pixel.
inline testing::AssertionResult StandsAtAnchor(HWND hwnd, double anchorX, double anchorY) {
    if (!hwnd) return testing::AssertionFailure() << "no window";
    const TwipBox box = TwipBoxOf(hwnd);
    const double right = box.left + box.width, bottom = box.top + box.height;
    const double tolerance = TwipsPerPixel() / 2;
    if (std::abs(right - anchorX) <= tolerance && std::abs(bottom - anchorY) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "bottom-right at (" << right << ", " << bottom
                                       << "), anchor (" << anchorX << ", " << anchorY << ")";
}
// The anchor of an open request: top and left lose 5 pixels.
inline testing::AssertionResult StandsAtRequest(HWND hwnd, int offsetY, int offsetX, int top,
                                                int left) {
    const double fivePixels = 5 * TwipsPerPixel();
    return StandsAtAnchor(hwnd, left - fivePixels + offsetX, top - fivePixels + offsetY);
}

// One start of KesUtil.exe on its own, timed until it ends.
struct SingleStart {
    bool ended = false;
    ULONGLONG elapsedMs = 0;
};
inline SingleStart RunToEnd(std::string_view commandLine, DWORD timeoutMs) {
    host::HostLink link(UtilityPath());
    SingleStart result;
    const ULONGLONG start = GetTickCount64();
    if (!link.StartUtility(commandLine)) return result;
    result.ended = WaitUntil([&] { return link.WaitForExit(0); }, timeoutMs);
    result.elapsedMs = GetTickCount64() - start;
    if (!result.ended) TerminateProcess(link.Process(), 1);
    return result;
}

}  // namespace kes::test
