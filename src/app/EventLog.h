#pragma once
// The utility's events in the diagnostic log (win/DiagLog.h): its start, each
// request with where it came from and what was done with it, and its end.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kes {

// Version, bitness, the command line, and where the evaluator library is.
void LogStart(std::string_view commandLine);
void LogHostWindow(std::string_view setting);
// A second start: its request forwarded (acknowledged or not), or nothing to forward.
void LogSecondStart(std::string_view commandLine, std::optional<bool> acknowledged);
void LogEnd(std::string_view why);

enum class RequestOutcome { Ignored, None, FastWatchdog, Closed, Opened, Failed };

// The line of the request being carried out, written once it is done:
// request from DDE "0@5@...": code 0, opened window 5 (converter)
// A request carried out inside another one (the token window lets events run
// as it closes) writes its line first.
class RequestRecord {
  public:
    RequestRecord(std::string_view source, std::string_view text);
    ~RequestRecord();
    RequestRecord(const RequestRecord&) = delete;
    RequestRecord& operator=(const RequestRecord&) = delete;

    // What the command processor did with the innermost request; the last word counts.
    static void Note(RequestOutcome outcome, int32_t window = 0);

  private:
    RequestRecord* outer_ = nullptr;
    std::string line_;
    int32_t code_ = 0;
    std::optional<RequestOutcome> outcome_;
    int32_t window_ = 0;
};

}  // namespace kes
