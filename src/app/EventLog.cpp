#include "app/EventLog.h"

#include <exception>
#include <utility>

#include "core/CommandString.h"
#include "core/HostContract.h"
#include "core/Request.h"
#include "process/HostEvaluator.h"
#include "win/DiagLog.h"

namespace kes {
namespace {

// The request on the user-interface thread that is being carried out now.
RequestRecord* current = nullptr;

int32_t CodeOf(std::string_view text) {
    int16_t firstSeparator = 0;
    return ParseRequestCode(text, firstSeparator);
}

std::string WindowName(int32_t window) {
    const char* name = window == kWindowFunctionList ? "function list"
                       : window == kWindowHelpText   ? "help text"
                       : window == kWindowConverter  ? "converter"
                                                     : "token list";
    return "window " + std::to_string(window) + " (" + name + ")";
}

std::string Describe(std::optional<RequestOutcome> outcome, int32_t code, int32_t window) {
    if (!outcome) return "not carried out";
    switch (*outcome) {
        case RequestOutcome::Ignored:
            return "ignored while shutting down";
        case RequestOutcome::None:
            return code == kStartOnlyCode ? "start only" : "not a request";
        case RequestOutcome::FastWatchdog:
            return "fast watchdog";
        case RequestOutcome::Closed:
            return "closed " + WindowName(window);
        case RequestOutcome::Opened:
            if (IsToolWindow(window)) return "opened " + WindowName(window);
            return "stored the anchor only, no window " + std::to_string(window);
        case RequestOutcome::Failed:
            break;
    }
    return "failed";
}

}  // namespace

void LogStart(std::string_view commandLine) {
    if (!win::LogEnabled()) return;
    const std::string folder = HostLibraryFolder();
    win::Log("start: KesUtil " KES_VERSION ", " + std::to_string(sizeof(void*) * 8) +
             "-bit, command line " + win::Quoted(commandLine) + ", kesGen32.dll " +
             (folder.empty() ? std::string("not found") : "found in " + folder));
}

void LogHostWindow(std::string_view setting) {
    if (win::LogEnabled()) win::Log("host window handle read: " + win::Quoted(setting));
}

void LogSecondStart(std::string_view commandLine, std::optional<bool> acknowledged) {
    if (!win::LogEnabled()) return;
    win::Log("request from the command line of a second start " + win::Quoted(commandLine) +
             ": code " + std::to_string(CodeOf(commandLine)) + ", " +
             (!acknowledged   ? "nothing to forward"
              : *acknowledged ? "forwarded to the running instance, acknowledged"
                              : "forwarded to the running instance, not acknowledged"));
}

void LogEnd(std::string_view why) {
    if (win::LogEnabled()) win::Log("end: " + std::string(why));
}

RequestRecord::RequestRecord(std::string_view source, std::string_view text) {
    if (!win::LogEnabled()) return;
    line_ = "request from " + std::string(source) + " " + win::Quoted(text);
    code_ = CodeOf(text);
    outer_ = std::exchange(current, this);
}

RequestRecord::~RequestRecord() {
    if (line_.empty()) return;
    current = outer_;
    try {
        win::Log(line_ + ": code " + std::to_string(code_) + ", " +
                 Describe(outcome_, code_, window_));
    } catch (...) {
        // Out of memory: the line is lost.
    }
}

void RequestRecord::Note(RequestOutcome outcome, int32_t window) {
    if (!current) return;
    current->outcome_ = outcome;
    current->window_ = window;
}

}  // namespace kes
