#pragma once
// The host's side of the KesUtil contract, small enough to lift into a real
// host: publish the host window, start the utility, send requests over DDE,
// read and clear the token reply.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/HostContract.h"
#include "win/Handles.h"

namespace kes::host {

inline const std::string kFastWatchdogRequest = std::to_string(kFastWatchdogCode) + "@";
inline const std::string kStartOnlyRequest = std::to_string(kStartOnlyCode) + "@";

// "0@window@text@offsetY@offsetX@top@left@True|False@"; positions in twips.
std::string OpenRequest(int window, std::string_view text, int offsetY, int offsetX, int top,
                        int left, bool rememberPosition);
std::string CloseRequest(int window);

class HostLink {
  public:
    explicit HostLink(std::wstring utilityPath);
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // The utility lives as long as this window does.
    bool PublishHostWindow(HWND host) const;
    void WithdrawHostWindow() const;

    // Starts the utility with a command string as its command line.
    bool StartUtility(std::string_view commandString);
    // One DDE execute; true when the utility acknowledged it within
    // `timeoutMs` (a list of thousands of tokens takes seconds to load). A
    // utility that is still starting is given `connectRetryMs` to register
    // its service.
    bool Send(std::string_view commandString, unsigned long connectRetryMs = 3000,
              unsigned long timeoutMs = 10000) const;

    // The token reply, if one is waiting; Take also removes it.
    std::optional<std::string> PeekReply() const;
    std::optional<std::string> TakeReply() const;
    // The utility's hidden main window, as it published it ("Scrollbar").
    std::optional<HWND> UtilityWindow() const;

    HANDLE Process() const { return process_.Get(); }
    DWORD ProcessId() const { return processId_; }
    bool WaitForExit(DWORD timeoutMs) const;

  private:
    std::wstring utilityPath_;
    win::ScopedHandle process_;
    DWORD processId_ = 0;
};

}  // namespace kes::host
