#include "SoakMix.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace kes::soak {
namespace {

std::string Letters(Rng& rng, int length) {
    static const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < length; ++i)
        s += kLetters[static_cast<size_t>(rng.Int(0, static_cast<int>(kLetters.size()) - 1))];
    return s;
}

// Printable ASCII except "@" (no field can hold one) and the blank.
char Printable(Rng& rng) {
    char c;
    do c = static_cast<char>(rng.Int(33, 126));
    while (c == '@');
    return c;
}

std::string Anchor(Rng& rng) {
    return std::to_string(rng.Int(0, 3000)) + "@" + std::to_string(rng.Int(0, 6000)) + "@" +
           std::to_string(rng.Int(0, 9000)) + "@" + std::to_string(rng.Int(0, 12000)) + "@";
}

// Any code that is none of the special ones asks for an open.
std::string OpenCode(Rng& rng) {
    static const std::vector<std::string> kOthers = {"1",  "5",      "6",   "7",  "42",
                                                     "-7", "100000", "0.4", " 3 "};
    return rng.Chance(0.85) ? "0" : rng.Pick(kOthers);
}

std::string Flag(Rng& rng) {
    static const std::vector<std::string> kFlags = {"False", "True", "0", "1", "false", "TRUE"};
    return rng.Pick(kFlags);
}

std::string Replace(std::string s, char from, char to) {
    std::replace(s.begin(), s.end(), from, to);
    return s;
}

Request Make(std::string command, Effect effect, int window, std::string kind) {
    Request r;
    r.command = std::move(command);
    r.effect = effect;
    r.window = window;
    r.kind = std::move(kind);
    return r;
}

}  // namespace

std::string TokenList::Text() const {
    std::string text = currentField + "~" + prefix + "~";
    for (const std::string& item : items) text += item + "~";
    return text;
}

std::vector<size_t> TokenList::Preselected() const {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] == current) indexes.push_back(i);
    return indexes;
}

size_t TokenList::CurrentIndex() const {
    const std::vector<size_t> pre = Preselected();
    return pre.empty() ? 0 : pre.back();
}

std::string TokenList::Reply(const std::vector<size_t>& selected) const {
    std::string reply = std::to_string(current) + "~";
    for (size_t i : selected) reply += std::to_string(values[i]) + "~";
    return reply;
}

TokenList RandomTokenList(Rng& rng, int count) {
    TokenList list;
    list.prefix = rng.Chance(0.1) ? "" : Letters(rng, rng.Int(1, 10));
    if (rng.Chance(0.3)) list.prefix += " " + Letters(rng, rng.Int(1, 6));
    int value = rng.Int(-60, 100);
    for (int i = 0; i < count; ++i) {
        value += rng.Int(1, 30);  // distinct, and within 16 bits for 1,000 items
        list.values.push_back(value);
    }
    for (int i = count - 1; i > 0; --i)
        std::swap(list.values[static_cast<size_t>(i)],
                  list.values[static_cast<size_t>(rng.Int(0, i))]);
    if (count > 1 && rng.Chance(0.05)) list.values[1] = list.values[0];  // two current items

    const int shape = rng.Int(0, 99);
    if (shape < 80) {
        list.current = list.values[static_cast<size_t>(rng.Int(0, count - 1))];
        list.currentField = std::to_string(list.current);
    } else if (shape < 95) {
        list.current = -1000 - rng.Int(0, 1000);  // matches no item
        list.currentField = std::to_string(list.current);
    } else {
        list.current = 0;  // a current token that is no number reads as 0
        list.currentField = "x" + Letters(rng, 3);
    }
    for (int v : list.values)
        list.items.push_back(std::to_string(v) +
                             (rng.Chance(0.7) ? " " + Letters(rng, rng.Int(1, 8)) : ""));
    return list;
}

Request OpenRequest(Rng& rng, int window, const std::string& text) {
    std::string command = OpenCode(rng) + "@" + std::to_string(window) + "@" + text + "@" +
                          Anchor(rng) + Flag(rng) + "@";
    if (rng.Chance(0.05)) command += "ignored@" + Garbage(rng, 20) + "@";
    Request r = Make(std::move(command), Effect::Open, window, "open " + std::to_string(window));
    if (window == kWindowHelpText) r.helpText = text;
    return r;
}

Request OpenTokens(Rng& rng, int count) {
    TokenList list = RandomTokenList(rng, count);
    Request r = OpenRequest(rng, kWindowTokenList, list.Text());
    r.kind = "open 6 (" + std::to_string(count) + " tokens)";
    r.tokens = std::move(list);
    return r;
}

Request CloseRequest(Rng& rng, int window) {
    std::string command = "-1@" + std::to_string(window) + "@";
    if (rng.Chance(0.2)) command += Garbage(rng, 10) + "@" + Anchor(rng);  // never read
    return Make(std::move(command), Effect::Close, window, "close " + std::to_string(window));
}

std::string RandomHelpText(Rng& rng, int length) {
    // Words of the host's ANSI code page beyond ASCII cross DDE converted.
    static const std::vector<std::string> kAnsiWords = {"Gr\u00fc\u00dfe", "\u00b5V", "25\u00b0C",
                                                        "\u00b13 dB", "\u00e9t\u00e9"};
    std::string text;
    while (static_cast<int>(text.size()) < length) {
        if (rng.Chance(0.05)) {
            text += rng.Pick(kAnsiWords);
        } else {
            const int word = rng.Int(1, 12);
            for (int i = 0; i < word; ++i) text += Printable(rng);
        }
        text += rng.Chance(0.1) ? "\r\n" : " ";
    }
    text.resize(static_cast<size_t>(length));
    // Cut where a line break or a multi-byte character would be split.
    while (!text.empty() && (text.back() == '\r' || (text.back() & 0x80))) text.pop_back();
    return text;
}

std::string Garbage(Rng& rng, int length) {
    std::string text = "x";
    while (static_cast<int>(text.size()) < length) text += rng.Chance(0.1) ? ' ' : Printable(rng);
    return text.substr(0, static_cast<size_t>(length));
}

// Each entry: a command string nobody well-behaved would send, and what it must do.
Request RandomOddRequest(Rng& rng) {
    using R = std::function<Request()>;
    const auto none = [](std::string command, std::string kind) {
        return Make(std::move(command), Effect::None, -1, "odd: " + kind);
    };
    const auto opens = [](std::string command, int window, std::string kind) {
        return Make(std::move(command), Effect::Open, window, "odd: " + kind);
    };
    static const std::vector<std::string> kUnknownWindows = {
        "2", "3", "4", "7", "-1", "-5", "99", "2147483647", "-2147483648", "4.5", "1.5"};
    static const std::vector<std::string> kBadNumbers = {
        "99999999999", "-99999999999", "1e400", "abc", "", " ", "NaN", "0x10", "--5", "5-"};
    const std::vector<R> cases = {
        [&] { return none("", "empty string"); },
        [&] { return none(Garbage(rng, 2000), "2000 characters without @"); },
        [&] { return none(Letters(rng, 4) + "@5@@1@1@1@1@False@", "code of letters"); },
        [&] { return none("@0@@300@300@300@300@False@", "empty code"); },
        [&] { return none("-3@0@@300@300@300@300@False@", "start only with fields"); },
        [&] { return none("-2@", "fast watchdog"); },
        [&] {
            return none("0@" + rng.Pick(kUnknownWindows) + "@" + Garbage(rng, rng.Int(1, 2000)) +
                            "@" + Anchor(rng) + "False@",
                        "open unknown window");
        },
        [&] { return none("-1@" + rng.Pick(kUnknownWindows) + "@", "close unknown window"); },
        [&] {
            return none(rng.Pick(std::vector<std::string>{"-1@", "-1@@", "-1@abc@"}),
                        "close without a window");
        },
        [&] { return none("-1@" + Garbage(rng, 2000) + "@", "close garbage window"); },
        [&] {
            std::string c = "0@5@@";
            for (int i = 0; i < 4; ++i) c += rng.Pick(kBadNumbers) + "@";
            return opens(c + Letters(rng, 5) + "@", kWindowConverter, "bad numbers");
        },
        [&] { return opens("0@5@", kWindowConverter, "fields missing"); },
        [&] {
            return opens("5@abc@@300@4000@6000@10000@False@", kWindowConverter,
                         "window of letters");
        },
        [&] {
            return opens("0@ 5.4 @@300@4000@6000@10000@False@", kWindowConverter, "window 5.4");
        },
        [&] {
            return opens("0@0.5@@300@4000@6000@10000@False@", kWindowFunctionList, "window 0.5");
        },
        [&] {
            return opens("0@" + Garbage(rng, 2000) + "@@300@4000@6000@10000@False@",
                         kWindowFunctionList, "window of garbage");
        },
        [&] {
            const std::string big = rng.Chance(0.5) ? "2147483647" : "-2147483648";
            return opens("0@0@@" + big + "@" + big + "@" + big + "@" + big + "@True@",
                         kWindowFunctionList, "anchor at the 32-bit limits");
        },
        [&] {
            const std::string text = Garbage(rng, 2000);
            Request r =
                opens("0@1@" + text + "@" + Anchor(rng) + "@", kWindowHelpText, "garbage text");
            r.helpText = text;  // the fields behind it are odd, the text is whole
            return r;
        },
        [&] { return opens("0@1@" + Garbage(rng, 30), kWindowHelpText, "text without its @"); },
        [&] {
            return Make(" -1 @ 5 @", Effect::Close, kWindowConverter, "odd: close with blanks");
        },
        [&] { return Make("-1.4@6@", Effect::Close, kWindowTokenList, "odd: close code -1.4"); },
        [&] {
            TokenList list = RandomTokenList(rng, rng.Int(1, 5));
            Request r = opens("0@6.5@" + list.Text() + "@300@4000@6000@10000@False@",
                              kWindowTokenList, "window 6.5");
            r.tokens = std::move(list);
            return r;
        },
        [&] {
            TokenList list;  // no "~" at all: no items, current token 0, no prefix
            Request r = opens("0@6@" + Letters(rng, rng.Int(1, 200)) + "@300@4000@6000@10000@0@",
                              kWindowTokenList, "token text without ~");
            r.tokens = list;
            return r;
        },
    };
    return rng.Pick(cases)();
}

Conversion RandomConversion(Rng& rng, char sep) {
    struct Case {
        const char* input;
        Unit source, target;
        const char* exact;
    };
    static const std::vector<Case> kExact = {
        {"0", Unit::dBm, Unit::Vrms, "223.606797749979e-3  Vrms"},
        {"30", Unit::dBm, Unit::mW, "1e+3  mW"},
        {"&HFF", Unit::mW, Unit::mW, "255  mW"},
        {"12345.678", Unit::Vop, Unit::Vop, "12.345678e+3  Vo-p"},
        {"1", Unit::mW, Unit::dBm, "0  dBm"},
        {" 12.5 ", Unit::Vrms, Unit::Vrms, "12.5  Vrms"},
    };
    static const std::vector<std::string> kValid = {
        "-3", "1e-3", "2.5e6", "&HFFFF", "0.001", "999.9999999999999", "3*4", "(1+2)/4", "7."};
    static const std::vector<std::string> kZero = {"0", "", ".", "&H0", " 0 "};
    static const std::vector<std::string> kInvalid = {"abc", "&H",  "&HZZ", "1+",
                                                      "*2",  "(((", "zz9"};

    Conversion c;
    c.source = static_cast<Unit>(rng.Int(0, 3));
    c.target = static_cast<Unit>(rng.Int(0, 3));
    const int shape = rng.Int(0, 99);
    if (shape < 15) {
        const Case& e = kExact[static_cast<size_t>(rng.Int(0, int(kExact.size()) - 1))];
        c.input = Replace(e.input, '.', sep);
        c.source = e.source;
        c.target = e.target;
        c.exact = Replace(e.exact, '.', sep);
    } else if (shape < 30) {
        c.input = Replace(rng.Pick(kValid), '.', sep);
    } else if (shape < 40) {
        c.input = rng.Pick(kZero);
        // A zero level has no dBm: the converter would show nothing at all.
        if (c.target == Unit::dBm && c.source != Unit::dBm) c.target = Unit::mW;
    } else if (shape < 80) {
        char text[64];
        const int mantissa = rng.Int(1, 99999);
        std::snprintf(text, sizeof text, "%s%d.%02de%d", rng.Chance(0.3) ? "-" : "", mantissa / 100,
                      mantissa % 100, rng.Int(-15, 15));
        c.input = Replace(text, '.', sep);
    } else {
        c.valid = false;
        // A short "&H" literal with a letter past F never reaches the evaluator.
        c.input = rng.Chance(0.7) ? rng.Pick(kInvalid) : "&HQ" + Letters(rng, rng.Int(0, 6));
    }
    return c;
}

}  // namespace kes::soak
