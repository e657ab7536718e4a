#include "hostlink/HostLink.h"

#include "core/CommandString.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::host {

std::string OpenRequest(int window, std::string_view text, int offsetY, int offsetX, int top,
                        int left, bool rememberPosition) {
    return "0@" + std::to_string(window) + "@" + std::string(text) + "@" + std::to_string(offsetY) +
           "@" + std::to_string(offsetX) + "@" + std::to_string(top) + "@" + std::to_string(left) +
           "@" + (rememberPosition ? "True" : "False") + "@";
}

std::string CloseRequest(int window) {
    return std::to_string(kCloseCode) + "@" + std::to_string(window) + "@";
}

HostLink::HostLink(std::wstring utilityPath) : utilityPath_(std::move(utilityPath)) {}

HostLink::~HostLink() = default;

bool HostLink::PublishHostWindow(HWND host) const {
    const auto value = static_cast<int32_t>(reinterpret_cast<INT_PTR>(host));
    return win::SettingsStore().Save(kSectionMisc, kHostWndValue, std::to_string(value));
}

void HostLink::WithdrawHostWindow() const {
    win::SettingsStore().Delete(kSectionMisc, kHostWndValue);
}

bool HostLink::StartUtility(std::string_view commandString) {
    std::wstring commandLine = L"\"" + utilityPath_ + L"\" " + win::Widen(commandString);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(utilityPath_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi))
        return false;
    const win::ScopedHandle thread(pi.hThread);
    process_.Reset(pi.hProcess);
    processId_ = pi.dwProcessId;
    return true;
}

bool HostLink::Send(std::string_view commandString, unsigned long connectRetryMs,
                    unsigned long timeoutMs) const {
    win::DdeExecuteOptions options;
    options.connectRetryMs = connectRetryMs;
    options.transactionTimeoutMs = timeoutMs;
    return win::DdeExecute(kDdeService, kDdeTopic, commandString, options);
}

std::optional<std::string> HostLink::PeekReply() const {
    std::string reply = win::SettingsStore().Get(kSectionMessages, kListMessageValue);
    if (reply == kNoRegistryData) return std::nullopt;
    return reply;
}

std::optional<std::string> HostLink::TakeReply() const {
    auto reply = PeekReply();
    if (reply) win::SettingsStore().Delete(kSectionMessages, kListMessageValue);
    return reply;
}

std::optional<HWND> HostLink::UtilityWindow() const {
    const std::string text = win::SettingsStore().Get(kSectionMisc, kScrollbarValue);
    const auto value = ParseIntegerField(text);
    if (text == kNoRegistryData || !value) return std::nullopt;
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(*value));
}

bool HostLink::WaitForExit(DWORD timeoutMs) const {
    return !process_ || WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace kes::host
