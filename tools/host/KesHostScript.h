#pragma once
// The step language of KesHost.exe: one step per line, "name arguments".
// Standard C++ only, so the parser is tested natively with the core tests.
//
// Arguments are blank-separated; a "double-quoted" argument may hold blanks.
// A step whose last argument is a text (a command string, a file, a value)
// takes the rest of the line as it stands; quotes around the whole rest keep
// leading or trailing blanks. Lines starting with "#" are comments.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kes::host {

enum class StepKind {
    Start,
    StartAgain,
    Send,
    Anchor,
    Open,
    Close,
    FastWatchdog,
    StartOnly,
    WaitWindow,
    WaitNoWindow,
    Sleep,
    Screenshot,
    ReadSetting,
    ExpectSetting,
    ExpectNoSetting,
    Reply,
    ExpectReply,
    SetText,
    Click,
    ExpectText,
    CloseHost,
    WaitExit,
    Log,
    Quit,
};

// Argument signature, one letter per argument: t a token, i a 32-bit integer,
// b a boolean (true/false/1/0), r the rest of the line. Upper case: optional
// (only trailing arguments are optional).
struct StepEntry {
    std::string_view name;
    StepKind kind;
    std::string_view signature;
    std::string_view usage;
    std::string_view help;
};

inline constexpr StepEntry kStepTable[] = {
    {"start", StepKind::Start, "R", "start [commandString]",
     "start KesUtil.exe (default -3@); waits until it publishes \"Scrollbar\""},
    {"start-again", StepKind::StartAgain, "r", "start-again <commandString>",
     "start a further KesUtil.exe; it must forward and end"},
    {"send", StepKind::Send, "r", "send <commandString>", "one DDE execute; must be acknowledged"},
    {"anchor", StepKind::Anchor, "iiiiB", "anchor <offsetY> <offsetX> <top> <left> [remember]",
     "anchor of later open steps, in twips"},
    {"open", StepKind::Open, "iR", "open <window> [text]",
     "send an open request (0, 1 help, 5 converter, 6 token list) at the anchor"},
    {"close", StepKind::Close, "i", "close <window>", "send a close request"},
    {"fast-watchdog", StepKind::FastWatchdog, "", "fast-watchdog", "send -2@"},
    {"start-only", StepKind::StartOnly, "", "start-only", "send -3@"},
    {"wait-window", StepKind::WaitWindow, "tI", "wait-window <caption> [ms]",
     "wait for a visible top-level window; * and ? match any text / character"},
    {"wait-no-window", StepKind::WaitNoWindow, "tI", "wait-no-window <caption> [ms]",
     "wait until no window has the caption"},
    {"sleep", StepKind::Sleep, "i", "sleep <ms>", "keep the host responsive for a while"},
    {"screenshot", StepKind::Screenshot, "r", "screenshot <file.bmp>",
     "capture the screen to a 24-bit BMP"},
    {"read-setting", StepKind::ReadSetting, "tt", "read-setting <section> <name>",
     "log a value of the shared settings"},
    {"expect-setting", StepKind::ExpectSetting, "ttR", "expect-setting <section> <name> <value>",
     "fail unless the value is as given"},
    {"expect-no-setting", StepKind::ExpectNoSetting, "tt", "expect-no-setting <section> <name>",
     "fail unless the value is absent"},
    {"reply", StepKind::Reply, "", "reply", "log and take the token reply"},
    {"expect-reply", StepKind::ExpectReply, "R", "expect-reply <reply>",
     "take the token reply; fail unless it is as given"},
    {"set-text", StepKind::SetText, "tiR", "set-text <caption> <controlId> <text>",
     "set a control's text in a window of the utility"},
    {"click", StepKind::Click, "ti", "click <caption> <controlId>", "post a button click"},
    {"expect-text", StepKind::ExpectText, "tiR", "expect-text <caption> <controlId> <text>",
     "wait until a control's text matches; * and ? match any text / character"},
    {"close-host", StepKind::CloseHost, "", "close-host",
     "withdraw \"Kestrelsim hWnd\" and destroy the host window"},
    {"wait-exit", StepKind::WaitExit, "I", "wait-exit [ms]",
     "wait for the utility to end (default 10000 ms)"},
    {"log", StepKind::Log, "R", "log <text>", "write a line to the log"},
    {"quit", StepKind::Quit, "", "quit", "end the script here, successfully"},
};

struct Step {
    StepKind kind = StepKind::Log;
    std::string name;
    std::vector<std::string> args;
    int line = 0;
};

// A line yields a step, an error, or neither (blank or comment).
struct ParsedLine {
    std::optional<Step> step;
    std::string error;
};

struct Script {
    std::vector<Step> steps;
    std::vector<std::string> errors;  // "line N: ..."
};

inline std::optional<int32_t> ParseStepInteger(std::string_view text) {
    int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc{} || end != last || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

inline std::optional<bool> ParseStepBoolean(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c | 0x20); });
    if (lower == "true" || lower == "1") return true;
    if (lower == "false" || lower == "0") return false;
    return std::nullopt;
}

namespace detail {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Takes one token off the front of `rest`; false with `error` on an open quote.
inline bool TakeToken(std::string_view& rest, std::string& token, std::string& error) {
    rest = TrimBlanks(rest);
    if (!rest.empty() && rest.front() == '"') {
        const auto close = rest.find('"', 1);
        if (close == std::string_view::npos) {
            error = "unclosed quote";
            return false;
        }
        token = std::string(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty() && !IsBlank(rest.front())) {
            error = "text right after a closing quote";
            return false;
        }
        return true;
    }
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    token = std::string(rest.substr(0, end));
    rest.remove_prefix(end);
    return true;
}

}  // namespace detail

inline const StepEntry* FindStepEntry(std::string_view name) {
    for (const auto& entry : kStepTable)
        if (entry.name == name) return &entry;
    return nullptr;
}

inline ParsedLine ParseStepLine(std::string_view line) {
    using detail::TrimBlanks;
    ParsedLine out;
    std::string_view rest = TrimBlanks(line);
    if (rest.empty() || rest.front() == '#') return out;

    std::string name;
    detail::TakeToken(rest, name, out.error);
    const StepEntry* entry = FindStepEntry(name);
    if (!entry) {
        out.error = "unknown step \"" + name + "\"";
        return out;
    }
    Step step;
    step.kind = entry->kind;
    step.name = name;
    const auto fail = [&](std::string why) {
        out.error = std::move(why) + " (usage: " + std::string(entry->usage) + ")";
        return out;
    };
    for (char kind : entry->signature) {
        const bool optional = kind >= 'A' && kind <= 'Z';
        kind = static_cast<char>(kind | 0x20);
        rest = TrimBlanks(rest);
        if (kind == 'r') {
            std::string_view text = rest;
            if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
                text = text.substr(1, text.size() - 2);
            if (rest.empty() && !optional) return fail("missing argument");
            step.args.emplace_back(text);
            rest = {};
            continue;
        }
        if (rest.empty()) {
            if (optional) break;
            return fail("missing argument");
        }
        std::string token;
        if (!detail::TakeToken(rest, token, out.error)) return fail(out.error);
        if (kind == 'i' && !ParseStepInteger(token))
            return fail("\"" + token + "\" is not a whole number");
        if (kind == 'b' && !ParseStepBoolean(token))
            return fail("\"" + token + "\" is not true or false");
        step.args.push_back(std::move(token));
    }
    if (!TrimBlanks(rest).empty()) return fail("too many arguments");
    out.error.clear();
    out.step = std::move(step);
    return out;
}

inline Script ParseScript(std::string_view text) {
    Script script;
    int lineNumber = 0;
    for (std::size_t start = 0; start <= text.size();) {
        const auto end = text.find('\n', start);
        const std::string_view line = text.substr(start, end - start);
        ++lineNumber;
        ParsedLine parsed = ParseStepLine(line);
        if (!parsed.error.empty()) {
            script.errors.push_back("line " + std::to_string(lineNumber) + ": " + parsed.error);
        } else if (parsed.step) {
            parsed.step->line = lineNumber;
            script.steps.push_back(std::move(*parsed.step));
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return script;
}

// Caption and control-text patterns: "*" any text, "?" any one character.
inline bool CaptionMatches(std::string_view pattern, std::string_view caption) {
    std::size_t p = 0, c = 0, star = std::string_view::npos, resume = 0;
    while (c < caption.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == caption[c])) {
            ++p;
            ++c;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = c;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            c = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace kes::host
