// The soak proper: a seeded random mix of requests and user actions that
// works every tool window and both message boxes. Each request must be
// acknowledged within 5 s and the utility must live; what the windows show
// is the end-to-end tests' business. The footprint is taken after the
// warm-up and at the end, each time with every window closed.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Soak.h"
#include "core/Request.h"
#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::soak {
namespace {

using namespace kes::test;

// Open help list, help text, converter, tokens; close; convert, refused;
// tokens closed by the user, with the question; an odd string.
constexpr int kWeights[] = {7, 9, 6, 9, 20, 14, 3, 8, 6, 15};
constexpr int kRefused = 6, kQuestion = 8;  // two requests each
// The warm-up starts with every window and both message boxes once, so that
// what a process makes once for good exists before the baseline.
constexpr int kTour[] = {0, 1, 2, 3, kRefused, kQuestion};
constexpr int kWindows[] = {kWindowFunctionList, kWindowHelpText, kWindowConverter,
                            kWindowTokenList};
// Command strings nobody well-behaved sends, "|" between them; each "#"
// becomes 1 to 2,000 printable characters.
constexpr std::string_view kOdd =
    "|#|-1@5@x y@1@2@|ABCD@5@@1@1@1@1@False@|@0@@300@300@300@300@False@"
    "|-3@0@@300@300@300@300@False@|-2@|0@7@#@1@2@3@4@False@|0@4.5@#@1@2@3@4@False@"
    "|0@-2147483648@#@1@2@3@4@False@|-1@99@|-1@|-1@@|-1@abc@|-1@#@"
    "|0@5@@99999999999@-1e400@abc@NaN@x@|0@5@@0x10@ @--5@@False@|0@5@"
    "|5@abc@@300@4000@6000@10000@False@|0@ 5.4 @@300@4000@6000@10000@False@"
    "|0@0.5@@300@4000@6000@10000@False@|0@#@@300@4000@6000@10000@False@"
    "|0@0@@2147483647@2147483647@-2147483648@-2147483648@True@|0@1@#@1@2@3@4@@|0@1@#"
    "| -1 @ 5 @|-1.4@6@|0@6.5@1~p~1 a~2 b~@300@4000@6000@10000@False@"
    "|0@6@abcdef@300@4000@6000@10000@0@";

// A window of the utility's cannot hold this thread for more than 5 s.
LRESULT SendTo(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;  // stays 0 when the window does not answer in time
    SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// Posted: a click that opens a modal box must not hold this thread.
void Click(HWND form, int id) {
    PostMessageW(GetDlgItem(form, id), BM_CLICK, 0, 0);
}

struct Soak {
    Soak(host::HostLink& link, unsigned long long seed) : link_(link), rng_(seed) {}
    bool Stopped() const { return link_.WaitForExit(0) || unanswered_ >= 5; }
    // The last request opens the function list: no room for two.
    int Next(int remaining) { return remaining < 2 ? 0 : mix_(rng_); }

    void Run(int scenario) {
        if (HWND box = FindVisible(kMessageFormClass)) Click(box, kMsgFirstButtonId);  // left up
        const std::function<bool()> scenarios[] = {
            [&] { return Request(Open(kWindowFunctionList, Chance(0.5) ? "" : Garbage(20))); },
            [&] { return Request(Open(kWindowHelpText, HelpText())); },
            [&] { return Request(Open(kWindowConverter, "")); },
            [&] { return Request(Open(kWindowTokenList, Tokens(TokenCount()))); },
            [&] { return Request(host::CloseRequest(kWindows[Int(0, 3)])); },
            [&] { return Convert(false); },
            [&] { return Convert(true); },
            [&] { return CloseTokens(false); },
            [&] { return CloseTokens(true); },
            [&] { return Request(Odd()); },
        };
        if (!scenarios[scenario]()) CloseAll();
        failedNow_ = false;
    }

    // Every box answered and every window closed, by requests not counted.
    void CloseAll(DWORD settleMs = 0) {
        for (int i = 0; i < 3 && FindVisible(kMessageFormClass); ++i) Answer(1, "");
        for (int window : kWindows)
            if (!Send(host::CloseRequest(window))) Fail("a close request not acknowledged");
        Pump(settleMs);
    }

    int sent = 0, failed = 0;
    bool accounting = false;
    double executeBytes = 0, editChars = 0;

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    template <class T>
    T Pick(std::initializer_list<T> items) {
        return items.begin()[Int(0, static_cast<int>(items.size()) - 1)];
    }
    // Characters from lo to hi, "@" left out.
    std::string Text(int n, char lo = ' ', char hi = '~') {
        std::string s;
        while (static_cast<int>(s.size()) < n)
            if (const char c = static_cast<char>(Int(lo, hi)); c != '@') s += c;
        return s;
    }
    std::string Garbage(int n) { return "x" + Text(n - 1); }  // reads as no number
    std::string Odd() {
        std::istringstream cases{std::string(kOdd)};
        std::string odd, s;
        const int k = Int(0, static_cast<int>(std::count(kOdd.begin(), kOdd.end(), '|')));
        for (int i = 0; i <= k; ++i) std::getline(cases, odd, '|');
        for (char c : odd) s += c == '#' ? Garbage(Int(1, 2000)) : std::string(1, c);
        return s;
    }
    // Any code that is none of the special ones asks for an open.
    std::string Open(int window, const std::string& text) {
        std::string s = Chance(0.85) ? "0@" : Pick({"1@", "5@", "7@", "-7@", "100000@", " 3 @"});
        s += std::to_string(window) + "@" + text + "@";
        for (int i = 1; i <= 4; ++i) s += std::to_string(Int(0, 3000 * i)) + "@";
        return s + Pick({"False", "True", "0", "1", "TRUE"}) + (Chance(0.05) ? "@ignored@" : "@");
    }
    // Printable words, line breaks, and words of the ANSI code page beyond ASCII.
    std::string HelpText() {
        const int n = Int(0, Chance(0.05) ? 32000 : Chance(0.3) ? 5000 : 300);
        std::string s;
        while (static_cast<int>(s.size()) < n)
            s += (Chance(0.05) ? "Gr\u00fc\u00dfe \u00b5V" : Text(Int(1, 12), '!')) +
                 (Chance(0.1) ? "\r\n" : " ");
        s.resize(static_cast<size_t>(n));
        // Cut where a line break or a multi-byte character would be split.
        while (!s.empty() && (s.back() == '\r' || (s.back() & 0x80))) s.pop_back();
        return s;
    }
    int TokenCount() { return Int(1, Chance(0.1) ? 1000 : Chance(0.3) ? 200 : 20); }
    // "current~prefix~item~...~", distinct values in random order.
    std::string Tokens(int count) {
        std::vector<int> values;
        for (int i = 0, v = Int(-60, 100); i < count; ++i) values.push_back(v += Int(1, 30));
        std::shuffle(values.begin(), values.end(), rng_);
        // The current token: one in the list, none of them, or no number.
        std::string s =
            Chance(0.8) ? std::to_string(values[Int(0, count - 1)]) : Pick({"-1000", "x", "abc"});
        s += "~" + (Chance(0.1) ? "" : Text(Int(1, 10), 'A', 'z')) + "~";
        for (int v : values)
            s += std::to_string(v) + (Chance(0.7) ? " " + Text(Int(1, 8), 'a', 'z') : "") + "~";
        return s;
    }

    bool Fail(const std::string& what) {
        if (!std::exchange(failedNow_, true) && ++failed <= 40)
            std::fprintf(stderr, "soak: request %d failed: %s\n      %.90s (%zu characters)\n",
                         sent, what.c_str(), last_.c_str(), last_.size());
        return false;
    }

    bool Request(const std::string& command) {
        ++sent;
        last_ = command;
        const bool acknowledged = Send(command);
        unanswered_ = acknowledged ? 0 : unanswered_ + 1;
        if (!acknowledged) return Fail("not acknowledged within 5 s");
        // The utility's own reading of the request tells whether a help window opened.
        const bool help = ApplyCommand(command, request_, 15, 15) == CommandAction::Open &&
                          (request_.RequestCode == kWindowFunctionList ||
                           request_.RequestCode == kWindowHelpText);
        if (!accounting) return true;
        executeBytes += win::Utf8ToAnsi(command).size() + 1;
        if (help) CountHelpText();
        return true;
    }

    // The text a help window just opened shows, for what the platform keeps of
    // it; a click that opens one is served within `clickMs`.
    void CountHelpText(DWORD clickMs = 0) {
        Pump(clickMs);
        if (HWND help = WaitForWindow(kHelpClass, {}, 1000))
            editChars += SendTo(GetDlgItem(help, kHelpTextId), WM_GETTEXTLENGTH);
    }

    // Answers the utility's message box with one of its first buttons; the
    // request given may come meanwhile (the box runs its own message loop).
    bool Answer(int buttons, const std::string& meanwhile) {
        HWND box = WaitForWindow(kMessageFormClass);
        if (!box) return Fail("no message box");
        if (!meanwhile.empty() && Chance(0.3) && !Request(meanwhile)) return false;
        Click(box, kMsgFirstButtonId + Int(0, buttons - 1));
        return WaitUntil([&] { return !IsWindowVisible(box); }) || Fail("the box stays up");
    }

    // A level typed into the converter and converted; bad input brings the refusal box.
    bool Convert(bool refused) {
        if (!Request(Open(kWindowConverter, ""))) return false;
        HWND form = WaitForWindow(kConverterClass);
        if (!form) return Fail("the converter does not show");
        const std::wstring input =
            win::Widen(refused ? Pick({"abc", "&H", "&HZZ", "1+", "*2", "(((", "&HQx"})
                               : Pick({"0", "", "&HFF", "3*4", "(1+2)/4", " 12 ", "1e-9", "-25",
                                       "9e12", "-7e-15"}));
        Click(form, kOption1Id + Int(0, 3));
        SendTo(GetDlgItem(form, kText1Id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input.c_str()));
        Click(form, kdBmButtonId + Int(0, 3));
        if (!refused && Chance(0.2)) Click(form, kCloseButtonId);
        return !refused || Answer(1, host::CloseRequest(kWindowConverter));
    }

    // A token list closed through its close box, other tokens picked or not;
    // the question about them answered Yes, No or Cancel.
    bool CloseTokens(bool question) {
        const int count = question ? Int(2, 30) : TokenCount();
        if (!Request(Open(kWindowTokenList, Tokens(count)))) return false;
        HWND form = WaitForWindow(kTokenListClass);
        if (!form) return Fail("the token list does not show");
        for (int k = question ? 3 : Int(0, 1) * Int(1, 3); k > 0; --k)
            SendTo(GetDlgItem(form, kTokenListBoxId), LB_SETSEL, TRUE, Int(0, count - 1));
        // Its buttons open the converter or the function list.
        const int button = Pick({0, 0, 0, kCnvrtButtonId, kParserButtonId});
        if (button) Click(form, button);
        if (accounting && button == kParserButtonId) CountHelpText(100);
        PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND box = nullptr;
        if (!WaitUntil(
                [&] { return !IsWindowVisible(form) || (box = FindVisible(kMessageFormClass)); }))
            return Fail("the token list neither closes nor asks");
        return !box || Answer(3, question ? Open(kWindowConverter, "") : "");
    }

    host::HostLink& link_;
    std::mt19937_64 rng_;
    std::discrete_distribution<int> mix_{std::begin(kWeights), std::end(kWeights)};
    RequestValues request_;  // as the utility has stored the requests so far
    std::string last_;       // the last request, named in failures
    bool failedNow_ = false;
    int unanswered_ = 0;
};

}  // namespace

void RunSoak(host::HostLink& link, int requests, unsigned long long seed) {
    const Retention retention = MeasureRetention();
    Soak soak(link, seed);
    Footprint a, b;  // after the warm-up and at the end
    const ULONGLONG start = GetTickCount64();
    for (size_t step = 0;; ++step) {
        if (!soak.accounting && soak.sent >= std::min(200, requests / 2)) {
            soak.CloseAll(300);
            a = Measure(link.Process(), link.ProcessId());
            soak.accounting = true;
        }
        if (soak.sent >= requests || soak.Stopped()) break;
        const int remaining = requests - soak.sent;
        soak.Run(step < std::size(kTour) && remaining > 2 ? kTour[step] : soak.Next(remaining));
    }
    if (soak.Stopped()) {  // the rest count as failed
        std::fprintf(stderr,
                     "soak: stopped at request %d: the utility ended or stopped answering\n",
                     soak.sent);
        soak.failed += requests - std::exchange(soak.sent, requests);
    } else {
        soak.CloseAll(300);
        b = Measure(link.Process(), link.ProcessId());
    }

    // Private bytes may grow by 10 % beyond what the platform keeps of the same text.
    const double platformKiB =
        (soak.executeBytes * retention.perExecuteByte + soak.editChars * retention.perEditChar) /
        1024;
    const double grown = double(b.privateKiB) - double(a.privateKiB);
    const auto& [gdiA, gdiB] = std::pair(a.gdiObjects, b.gdiObjects);
    const std::string gdi =
        gdiA && gdiB ? std::to_string(*gdiA) + "->" + std::to_string(*gdiB) : "n/a";
    std::printf("soak: %d requests, %d failed, USER %ld->%ld, GDI %s, private KiB %llu->%llu\n",
                soak.sent, soak.failed, a.userObjects, b.userObjects, gdi.c_str(), a.privateKiB,
                b.privateKiB);
    std::fflush(stdout);
    std::fprintf(stderr,
                 "soak: %.1f s, seed %llu; private bytes %+.0f KiB, of which the platform's floor "
                 "keeps %.0f KiB of the %.0f KiB of DDE execute text and %.0f KiB of help text\n",
                 (GetTickCount64() - start) / 1000.0, seed, grown, platformKiB,
                 soak.executeBytes / 1024, soak.editChars / 1024);
    Check(soak.failed == 0, "soak: requests failed");
    Check(a.userObjects > 0 && a.privateKiB > 0, "soak: nothing counted");
    Check(b.userObjects <= a.userObjects + 2, "soak: USER objects grew");
    Check(gdiA.has_value() == gdiB.has_value(), "soak: GDI objects counted only once");
    Check(!gdiA || !gdiB || *gdiB <= *gdiA + 2, "soak: GDI objects grew");
    Check(grown <= 0.1 * double(a.privateKiB) + platformKiB,
          "soak: private bytes grew by more than 10% beyond the platform's floor");
}

}  // namespace kes::soak
