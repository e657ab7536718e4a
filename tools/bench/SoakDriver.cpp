#include "SoakDriver.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SoakMix.h"
#include "core/HostContract.h"
#include "win/WinText.h"

namespace kes::soak {
namespace {

constexpr DWORD kAcknowledgeMs = 5000;
constexpr DWORD kStateMs = 5000;
constexpr int kReportedFailures = 40;
constexpr int kUnansweredInARow = 5;

constexpr char kHelpListCaption[] = "Kestrelsim Parser Function List";
constexpr char kHelpTextCaption[] = "Spectral Power in Selected Range";
constexpr char kBoxCaption[] = "Kestrelsim";
constexpr char kApplyPhrase[] = "Do you want to apply the parameter values";
constexpr char kInvalidPhrase[] = "The above value is invalid.";
const char* const kSourceButtons[] = {"d&Bm", "&mWatts", "&volts o-p", "volt&s rms"};
const char* const kTargetButtons[] = {"&dBm", "m&Watts", "volts &o-p", "volts &rms"};

struct TokenWindow {
    TokenList list;
    std::vector<size_t> selected;  // ascending
};

// What the utility must show after the requests so far.
struct Model {
    std::optional<int> helpTopic;
    std::optional<std::string> helpText;  // topic 1, when the request fixed it
    bool converter = false;
    std::optional<TokenWindow> tokens;
    std::optional<std::string> boxPhrase;  // a message box is up, saying this
    std::optional<std::string> reply;      // the token reply that must be waiting
};

enum class Scenario {
    OpenHelpList,
    OpenHelpText,
    OpenConverter,
    OpenTokens,
    Close,
    Convert,
    TokensClosedByUser,
    UserButton,
    Odd,
    RequestDuringQuestion,
    CloseDuringInvalidInput,
};

struct Weighted {
    Scenario scenario;
    int weight;
    int requests;  // at most
};
const Weighted kMix[] = {
    {Scenario::OpenHelpList, 7, 1},
    {Scenario::OpenHelpText, 9, 1},
    {Scenario::OpenConverter, 6, 1},
    {Scenario::OpenTokens, 9, 1},
    {Scenario::Close, 20, 1},
    {Scenario::Convert, 14, 1},
    {Scenario::TokensClosedByUser, 10, 1},
    {Scenario::UserButton, 6, 2},
    {Scenario::Odd, 15, 1},
    {Scenario::RequestDuringQuestion, 2, 2},
    {Scenario::CloseDuringInvalidInput, 2, 2},
};
// The warm-up starts with every window and both message boxes once, so that
// what a process makes once for good exists before the baseline.
const Scenario kTour[] = {Scenario::OpenHelpList,
                          Scenario::OpenHelpText,
                          Scenario::OpenConverter,
                          Scenario::OpenTokens,
                          Scenario::Convert,
                          Scenario::CloseDuringInvalidInput,
                          Scenario::RequestDuringQuestion,
                          Scenario::UserButton};

std::string Shorten(const std::string& s, size_t max = 90) {
    std::string out =
        s.size() <= max ? s : s.substr(0, max) + "... (" + std::to_string(s.size()) + " chars)";
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string Quote(const std::optional<std::string>& s) {
    return s ? "\"" + Shorten(*s, 60) + "\"" : "none";
}

class Soak {
  public:
    Soak(host::HostLink& link, uint64_t seed, char separator)
        : link_(link), pid_(link.ProcessId()), rng_(seed), separator_(separator) {}

    int Sent() const { return sent_; }
    int Failed() const { return failed_; }
    bool UtilityEnded() const { return WaitForSingleObject(link_.Process(), 0) == WAIT_OBJECT_0; }

    // Several requests in a row not acknowledged: the utility no longer serves.
    bool Unresponsive() const { return unansweredInARow_ >= kUnansweredInARow; }
    // From now on, count the text sent and shown.
    void StartAccounting() { accounting_ = true; }
    double ExecuteBytes() const { return executeBytes_; }
    double EditChars() const { return editChars_; }

    void Run(Scenario scenario);
    Scenario Pick(int remaining);
    // Close requests for every window, checked, not counted among the requests.
    void CloseEverything();
    void RecoverIfNeeded();

  private:
    bool Send(const Request& r, bool counted = true);
    void Apply(const Request& r);
    bool Check();
    std::string Problem();
    void Fail(const std::string& what);
    bool Answer(const char* button);
    void CountHelpText();

    void Convert(bool closeWhileRefused);
    void TokensClosedByUser(bool requestDuringQuestion);
    void UserButton();
    int TokenCount();

    host::HostLink& link_;
    DWORD pid_;
    Rng rng_;
    char separator_;
    Model model_;
    int sent_ = 0, failed_ = 0;
    // The last request, which the checks after it report under.
    std::string currentKind_, currentCommand_;
    bool currentFailed_ = false;
    bool needsRecovery_ = false;
    int unansweredInARow_ = 0;
    bool accounting_ = false;
    bool helpOpened_ = false;
    double executeBytes_ = 0, editChars_ = 0;
};

bool Soak::Send(const Request& r, bool counted) {
    if (counted) ++sent_;
    currentKind_ = r.kind;
    currentCommand_ = r.command;
    currentFailed_ = false;
    const ULONGLONG start = GetTickCount64();
    const bool acknowledged = SendRequest(r.command);
    const ULONGLONG took = GetTickCount64() - start;
    unansweredInARow_ = acknowledged ? 0 : unansweredInARow_ + 1;
    if (accounting_) executeBytes_ += static_cast<double>(win::Utf8ToAnsi(r.command).size() + 1);
    if (!acknowledged || took > kAcknowledgeMs) {
        Fail(acknowledged ? "acknowledged after " + std::to_string(took) + " ms"
                          : "not acknowledged");
        return false;
    }
    Apply(r);
    return Check();
}

void Soak::Apply(const Request& r) {
    const bool help = r.window == kWindowFunctionList || r.window == kWindowHelpText;
    if (r.effect == Effect::Open) {
        if (help) {
            model_.helpTopic = r.window;
            model_.helpText = r.helpText;
            helpOpened_ = true;
        } else if (r.window == kWindowConverter) {
            model_.converter = true;
        } else if (r.window == kWindowTokenList) {
            // A window replaced saves its reply; the new one deletes it on load.
            model_.tokens = TokenWindow{*r.tokens, r.tokens->Preselected()};
            model_.reply.reset();
        }
    } else if (r.effect == Effect::Close) {
        if (help) {
            model_.helpTopic.reset();
            model_.helpText.reset();
        } else if (r.window == kWindowConverter) {
            model_.converter = false;
        } else if (r.window == kWindowTokenList && model_.tokens) {
            model_.reply = model_.tokens->list.Reply(model_.tokens->selected);
            model_.tokens.reset();
        }
    }
}

// Waits for the state the model asks for; takes the reply when one was due.
bool Soak::Check() {
    std::string problem;
    if (!WaitUntil([&] { return (problem = Problem()).empty(); }, kStateMs)) {
        Fail(problem);
        return false;
    }
    if (model_.reply) {
        link_.TakeReply();
        model_.reply.reset();
    }
    CountHelpText();
    return true;
}

// The text a help window just opened shows, for what the platform keeps of it.
void Soak::CountHelpText() {
    if (!std::exchange(helpOpened_, false) || !accounting_ || !model_.helpTopic) return;
    HWND help = FindShown(
        pid_, *model_.helpTopic == kWindowFunctionList ? kHelpListCaption : kHelpTextCaption);
    const auto edits = help ? ChildrenOfClass(help, L"Edit") : std::vector<HWND>{};
    if (!edits.empty()) editChars_ += static_cast<double>(SendBounded(edits[0], WM_GETTEXTLENGTH));
}

std::string Soak::Problem() {
    if (UtilityEnded()) return "the utility has ended";
    std::vector<std::string> expected;
    if (model_.helpTopic)
        expected.push_back(*model_.helpTopic == kWindowFunctionList ? kHelpListCaption
                                                                    : kHelpTextCaption);
    if (model_.converter) expected.push_back(kConverterCaption);
    if (model_.tokens) expected.push_back(model_.tokens->list.Caption());
    if (model_.boxPhrase) expected.push_back(kBoxCaption);

    const std::vector<ShownWindow> shown = ShownWindows(pid_);
    for (const std::string& caption : expected) {
        const auto n = std::count_if(shown.begin(), shown.end(),
                                     [&](const ShownWindow& w) { return w.caption == caption; });
        if (n != 1) return "\"" + caption + "\" shown " + std::to_string(n) + " times";
    }
    HWND help = nullptr, tokens = nullptr, box = nullptr;
    for (const ShownWindow& w : shown) {
        if (std::find(expected.begin(), expected.end(), w.caption) == expected.end())
            return "unexpected window \"" + Shorten(w.caption) + "\"";
        if (w.caption == kBoxCaption) {
            box = w.hwnd;
            continue;
        }
        if (!IsTopmost(w.hwnd)) return "\"" + w.caption + "\" is not topmost";
        if (w.caption == kHelpListCaption || w.caption == kHelpTextCaption) help = w.hwnd;
        if (model_.tokens && w.caption == model_.tokens->list.Caption()) tokens = w.hwnd;
    }

    if (tokens) {
        const auto lists = ChildrenOfClass(tokens, L"ListBox");
        if (lists.empty()) return "token window without its list";
        const TokenWindow& t = *model_.tokens;
        const auto count = SendBounded(lists[0], LB_GETCOUNT);
        if (count != static_cast<LRESULT>(t.list.items.size()))
            return "token list holds " + std::to_string(count) + " items, not " +
                   std::to_string(t.list.items.size());
        const auto selected = SendBounded(lists[0], LB_GETSELCOUNT);
        if (selected != static_cast<LRESULT>(t.selected.size()))
            return std::to_string(selected) + " tokens selected, not " +
                   std::to_string(t.selected.size());
        for (size_t i : t.selected)
            if (SendBounded(lists[0], LB_GETSEL, i) <= 0)
                return "token " + std::to_string(i) + " not selected";
    }
    if (help && model_.helpText) {
        const auto edits = ChildrenOfClass(help, L"Edit");
        if (edits.empty()) return "help window without its text";
        const std::string text = TextOf(edits[0]);
        if (text != *model_.helpText)
            return "help text " + Quote(text) + " differs from the request's " +
                   Quote(model_.helpText);
    }
    if (box && !ChildContaining(box, *model_.boxPhrase))
        return "message box without \"" + *model_.boxPhrase + "\"";

    const auto reply = link_.PeekReply();
    if (reply != model_.reply)
        return "token reply " + Quote(reply) + ", expected " + Quote(model_.reply);
    return {};
}

void Soak::Fail(const std::string& what) {
    needsRecovery_ = true;
    if (currentFailed_) return;  // one failure per request
    currentFailed_ = true;
    if (++failed_ > kReportedFailures) return;
    std::fprintf(stderr, "soak: request %d (%s) failed: %s\n      %s\n", sent_,
                 currentKind_.c_str(), what.c_str(), Shorten(currentCommand_).c_str());
}

// Presses a button of the utility's message box and waits for the box to go.
bool Soak::Answer(const char* button) {
    HWND box = FindShown(pid_, kBoxCaption);
    HWND b = nullptr;
    if (!box || !WaitUntil([&] { return (b = ChildWithText(box, button)) != nullptr; }, kStateMs)) {
        Fail(std::string("no message box button \"") + button + "\"");
        return false;
    }
    PostClick(b);
    model_.boxPhrase.reset();
    if (!WaitUntil([&] { return !IsWindow(box); }, kStateMs)) {
        Fail(std::string("message box still up after \"") + button + "\"");
        return false;
    }
    return true;
}

int Soak::TokenCount() {
    const int shape = rng_.Int(0, 99);
    return shape < 60 ? rng_.Int(1, 20) : shape < 90 ? rng_.Int(21, 200) : rng_.Int(201, 1000);
}

Scenario Soak::Pick(int remaining) {
    int total = 0;
    for (const Weighted& w : kMix) total += w.weight;
    for (;;) {
        int roll = rng_.Int(0, total - 1);
        for (const Weighted& w : kMix) {
            if ((roll -= w.weight) >= 0) continue;
            if (w.requests <= remaining) return w.scenario;
            break;
        }
    }
}

void Soak::Run(Scenario scenario) {
    switch (scenario) {
        case Scenario::OpenHelpList:
            Send(OpenRequest(rng_, kWindowFunctionList, rng_.Chance(0.5) ? "" : Garbage(rng_, 20)));
            break;
        case Scenario::OpenHelpText: {
            const int shape = rng_.Int(0, 99);
            const int length = shape < 70   ? rng_.Int(0, 300)
                               : shape < 95 ? rng_.Int(301, 5000)
                                            : rng_.Int(5001, 32000);
            Send(OpenRequest(rng_, kWindowHelpText, RandomHelpText(rng_, length)));
            break;
        }
        case Scenario::OpenConverter:
            Send(OpenRequest(rng_, kWindowConverter, ""));
            break;
        case Scenario::OpenTokens:
            Send(OpenTokens(rng_, TokenCount()));
            break;
        case Scenario::Close: {
            std::vector<int> open;
            if (model_.helpTopic)
                open.push_back(rng_.Chance(0.5) ? kWindowFunctionList : kWindowHelpText);
            if (model_.converter) open.push_back(kWindowConverter);
            if (model_.tokens) open.push_back(kWindowTokenList);
            const std::vector<int> all = {kWindowFunctionList, kWindowHelpText, kWindowConverter,
                                          kWindowTokenList};
            Send(CloseRequest(
                rng_, !open.empty() && rng_.Chance(0.7) ? rng_.Pick(open) : rng_.Pick(all)));
            break;
        }
        case Scenario::Convert:
            Convert(false);
            break;
        case Scenario::TokensClosedByUser:
            TokensClosedByUser(false);
            break;
        case Scenario::UserButton:
            UserButton();
            break;
        case Scenario::Odd:
            Send(RandomOddRequest(rng_));
            break;
        case Scenario::RequestDuringQuestion:
            TokensClosedByUser(true);
            break;
        case Scenario::CloseDuringInvalidInput:
            Convert(true);
            break;
    }
}

// Types a level into a fresh converter and presses a "Convert to" button.
void Soak::Convert(bool closeWhileRefused) {
    if (!Send(OpenRequest(rng_, kWindowConverter, ""))) return;
    Conversion c = RandomConversion(rng_, separator_);
    while (closeWhileRefused && c.valid) c = RandomConversion(rng_, separator_);

    HWND form = FindShown(pid_, kConverterCaption);
    const auto edits = ChildrenOfClass(form, L"Edit");
    HWND source = ChildWithText(form, kSourceButtons[static_cast<int>(c.source)]);
    HWND target = ChildWithText(form, kTargetButtons[static_cast<int>(c.target)]);
    if (edits.size() != 2 || !source || !target) return Fail("converter controls not found");
    SetTextOf(edits[1], "");
    PostClick(source);
    SetTextOf(edits[0], c.input);
    PostClick(target);
    const std::string what = "\"" + c.input + "\" " + kSourceButtons[static_cast<int>(c.source)] +
                             " -> " + kTargetButtons[static_cast<int>(c.target)];

    if (c.valid) {
        std::string result;
        WaitUntil(
            [&] { return !(result = TextOf(edits[1])).empty() || FindShown(pid_, kBoxCaption); },
            kStateMs);
        if (FindShown(pid_, kBoxCaption)) return Fail(what + " refused as invalid");
        if (result.empty()) return Fail(what + " shows no result");
        if (!c.exact.empty() && result != c.exact)
            return Fail(what + " gives \"" + result + "\", not \"" + c.exact + "\"");
        Check();
        return;
    }
    model_.boxPhrase = kInvalidPhrase;
    if (!Check()) return;
    // The box runs its own message loop: a close request is served inside it.
    if (closeWhileRefused && !Send(CloseRequest(rng_, kWindowConverter))) return;
    if (!Answer("OK") || !Check()) return;
    if (model_.converter && !TextOf(edits[1]).empty()) Fail(what + ": a result beside the refusal");
}

// A token list that the user closes with the close box, with or without
// picking other tokens first; the question about them is answered by its buttons.
void Soak::TokensClosedByUser(bool requestDuringQuestion) {
    if (!Send(OpenTokens(rng_, requestDuringQuestion ? rng_.Int(2, 30) : TokenCount()))) return;
    TokenWindow& t = *model_.tokens;
    HWND form = FindShown(pid_, t.list.Caption());
    const auto lists = ChildrenOfClass(form, L"ListBox");
    if (lists.empty()) return Fail("token list not found");
    const int n = static_cast<int>(t.list.items.size());
    const size_t currentIndex = t.list.CurrentIndex();
    int picks = requestDuringQuestion ? rng_.Int(1, 3) : rng_.Chance(0.5) ? rng_.Int(1, 3) : 0;
    for (int k = 0; k < picks; ++k) {
        size_t i = static_cast<size_t>(rng_.Int(0, n - 1));
        if (requestDuringQuestion && i == currentIndex) i = (i + 1) % static_cast<size_t>(n);
        SendBounded(lists[0], LB_SETSEL, TRUE, static_cast<LPARAM>(i));
        if (std::find(t.selected.begin(), t.selected.end(), i) == t.selected.end())
            t.selected.push_back(i);
    }
    std::sort(t.selected.begin(), t.selected.end());
    const bool others = std::any_of(t.selected.begin(), t.selected.end(),
                                    [&](size_t i) { return i != currentIndex; });

    PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!others) {  // nothing to ask: the selection goes back at once
        model_.reply = t.list.Reply(t.selected);
        model_.tokens.reset();
        Check();
        return;
    }
    model_.boxPhrase = kApplyPhrase;
    if (!Check()) return;
    if (requestDuringQuestion &&
        !Send(rng_.Chance(0.5) ? OpenRequest(rng_, kWindowConverter, "")
                               : OpenRequest(rng_, kWindowFunctionList, "")))
        return;
    const int answer = rng_.Int(0, 2);
    if (!Answer(answer == 0 ? "&Yes" : answer == 1 ? "&No" : "Cancel")) return;
    if (answer == 0) model_.reply = model_.tokens->list.Reply(model_.tokens->selected);
    if (answer != 2) model_.tokens.reset();  // Cancel keeps it open, selection and all
    Check();
}

// The buttons that close or open windows from inside the utility.
void Soak::UserButton() {
    if (!model_.helpTopic && !model_.converter && !model_.tokens) {
        const int window =
            rng_.Pick(std::vector<int>{kWindowFunctionList, kWindowConverter, kWindowTokenList});
        if (!(window == kWindowTokenList ? Send(OpenTokens(rng_, rng_.Int(1, 20)))
                                         : Send(OpenRequest(rng_, window, ""))))
            return;
    }
    struct Press {
        std::string caption;
        const char* button;
        int effect;  // 0 help closes, 1 converter closes, 2 converter opens, 3 function list opens
    };
    std::vector<Press> presses;
    if (model_.helpTopic)
        presses.push_back(
            {*model_.helpTopic == kWindowFunctionList ? kHelpListCaption : kHelpTextCaption, "OK",
             0});
    if (model_.converter) presses.push_back({kConverterCaption, "Close", 1});
    if (model_.tokens) {
        presses.push_back({model_.tokens->list.Caption(), "=", 2});
        presses.push_back({model_.tokens->list.Caption(), "F", 3});
    }
    const Press& p = rng_.Pick(presses);
    HWND form = FindShown(pid_, p.caption);
    HWND button = form ? ChildWithText(form, p.button) : nullptr;
    if (!button)
        return Fail("no button \"" + std::string(p.button) + "\" on \"" + p.caption + "\"");
    PostClick(button);
    if (p.effect == 0 || p.effect == 3) model_.helpText.reset();
    if (p.effect == 0) model_.helpTopic.reset();
    if (p.effect == 3) {
        model_.helpTopic = kWindowFunctionList;
        helpOpened_ = true;
    }
    if (p.effect == 1 || p.effect == 2) model_.converter = p.effect == 2;
    Check();
}

void Soak::CloseEverything() {
    for (int window : {kWindowFunctionList, kWindowConverter, kWindowTokenList}) {
        Request close;
        close.command = "-1@" + std::to_string(window) + "@";
        close.effect = Effect::Close;
        close.window = window;
        close.kind = "closing everything";
        Send(close, false);
    }
}

// After a failure the model may be wrong: answer any box, close every
// window, drop the reply and start again from nothing.
void Soak::RecoverIfNeeded() {
    if (!needsRecovery_) return;
    for (int i = 0; i < 3; ++i) {
        HWND box = FindShown(pid_, kBoxCaption);
        if (!box) break;
        HWND b = ChildWithText(box, "OK");
        if (!b) b = ChildWithText(box, "&Yes");
        if (b) PostClick(b);
        WaitUntil([&] { return !IsWindow(box); }, 2000);
    }
    for (int window : {kWindowFunctionList, kWindowConverter, kWindowTokenList})
        SendRequest("-1@" + std::to_string(window) + "@");
    link_.TakeReply();
    model_ = Model{};
    needsRecovery_ = false;
}

}  // namespace

bool SendRequest(std::string_view command) {
    return ExecuteBounded(kDdeService, kDdeTopic, command, kAcknowledgeMs);
}

SoakResult RunSoak(host::HostLink& link, const FootprintGauge& gauge,
                   const PlatformRetention& retention, int requests, uint64_t seed,
                   char decimalSeparator) {
    SoakResult result;
    Soak soak(link, seed, decimalSeparator);
    const int warmup = std::min(kWarmupRequests, requests / 2);
    bool baselineTaken = false;
    const ULONGLONG start = GetTickCount64();
    size_t tour = 0;
    while (soak.Sent() < requests) {
        if (soak.UtilityEnded() || soak.Unresponsive()) break;
        const int remaining = requests - soak.Sent();
        const int before = soak.Sent();
        soak.Run(tour < std::size(kTour) && remaining >= 2 ? kTour[tour++] : soak.Pick(remaining));
        soak.RecoverIfNeeded();
        if (!baselineTaken && soak.Sent() >= warmup) {
            soak.CloseEverything();
            soak.RecoverIfNeeded();
            PumpFor(300);
            result.baseline = gauge.Measure(link.Process(), link.ProcessId());
            baselineTaken = true;
            soak.StartAccounting();
        }
        if (before / 1000 != soak.Sent() / 1000) {
            const Footprint f = gauge.Measure(link.Process(), link.ProcessId());
            std::fprintf(stderr,
                         "soak: %d/%d requests, %d failed, USER %ld, GDI %ld, private %llu KiB\n",
                         soak.Sent(), requests, soak.Failed(), f.userObjects,
                         f.gdiObjects.value_or(-1), f.privateKiB);
        }
    }
    result.seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    if (soak.UtilityEnded() || soak.Unresponsive()) {
        DWORD code = 0;
        GetExitCodeProcess(link.Process(), &code);
        if (soak.UtilityEnded())
            std::fprintf(stderr, "soak: the utility ended during request %d, exit code 0x%lx\n",
                         soak.Sent(), static_cast<unsigned long>(code));
        else
            std::fprintf(stderr, "soak: %d requests in a row not acknowledged; the soak stops\n",
                         kUnansweredInARow);
        result.requests = requests;
        result.failed = soak.Failed() + (requests - soak.Sent());
        return result;
    }
    soak.CloseEverything();
    soak.RecoverIfNeeded();
    PumpFor(300);
    result.end = gauge.Measure(link.Process(), link.ProcessId());
    result.requests = soak.Sent();
    result.failed = soak.Failed();
    result.executeKiB = soak.ExecuteBytes() / 1024;
    result.editKiB = soak.EditChars() / 1024;
    result.platformKiB = (soak.ExecuteBytes() * retention.perExecuteByte +
                          soak.EditChars() * retention.perEditChar) /
                         1024;
    return result;
}

}  // namespace kes::soak
