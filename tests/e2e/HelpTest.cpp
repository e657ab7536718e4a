#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "core/ParserFunctionList.h"
#include "forms/HelpForm.h"
#include "probe/ProbeProcess.h"
#include "support/Harness.h"
#include "process/Util.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

using host::CloseRequest;
using host::OpenRequest;

constexpr int kOffsetY = 300, kOffsetX = 4000, kTop = 4200, kLeft = 8400;

std::string_view Caption(int topic) {
    return topic == kWindowFunctionList ? kParserFunctionListCaption : kSpectralPowerCaption;
}

// Topics are their window numbers too. Waits for the same caption to go first, then the text.
HWND OpenHelp(UtilitySession& session, int topic, bool remember, std::string_view text = "") {
    WaitForNoWindow(Caption(topic), 3000);
    if (!session.Send(OpenRequest(topic, text, kOffsetY, kOffsetX, kTop, kLeft, remember)))
        return nullptr;
    HWND help = WaitForWindow(Caption(topic));
    return help && WaitForControl(help, kHelpTextId) ? help : nullptr;
}

void CloseHelp(UtilitySession& session, int topic) {
    ASSERT_TRUE(session.Send(CloseRequest(topic)));
    ASSERT_TRUE(WaitForNoWindow(Caption(topic)));
}

RECT RectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

void MoveTo(HWND hwnd, int x, int y) {
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitUntil([&] { return RectOf(hwnd).left == x && RectOf(hwnd).top == y; }, 2000);
}

// Where the bottom right goes: the anchor's top and left lose 5 pixels on the way in.
POINT Anchor() {
    const double t = TwipsPerPixel();
    return {std::lround((kLeft - 5 * t + kOffsetX) / t),
            std::lround((kTop - 5 * t + kOffsetY) / t)};
}

void ExpectAtAnchor(HWND help) {
    EXPECT_NEAR(RectOf(help).right, Anchor().x, 1);
    EXPECT_NEAR(RectOf(help).bottom, Anchor().y, 1);
}

TEST(HelpWindow, TopicsShowTheFunctionListOrTheHostsText) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    HWND help = OpenHelp(session, kWindowFunctionList, false);
    ASSERT_NE(help, nullptr);
    HWND text = GetDlgItem(help, kHelpTextId);
    const std::string shown = WindowText(text);
    EXPECT_EQ(shown, ParserFunctionList(LocaleSeparator(LOCALE_SDECIMAL, "."),
                                        LocaleSeparator(LOCALE_SLIST, ",")));
    if (std::getenv("KES_EXPECT_COMMA_LOCALE")) {
        EXPECT_NE(shown.find("atan2(x;y)"), std::string::npos);
        EXPECT_NE(shown.find("3,1415..."), std::string::npos);
    }
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    EXPECT_EQ(style & (ES_READONLY | ES_MULTILINE | WS_VSCROLL),
              ES_READONLY | ES_MULTILINE | WS_VSCROLL);
    EXPECT_TRUE(IsTopmost(help));
    // Every description starts in one column, whichever gap precedes it.
    const std::wstring wide = win::Widen(shown);
    std::set<int> columns;
    int entries = 0;
    for (size_t tab = wide.find(L'\t'); tab != std::wstring::npos;
         tab = wide.find(L'\t', wide.find(L"\r\n", tab))) {
        const LRESULT pos =
            SendMessageW(text, EM_POSFROMCHAR, wide.find_first_not_of(L'\t', tab), 0);
        columns.insert(static_cast<short>(LOWORD(pos)));
        ++entries;
    }
    EXPECT_EQ(entries, 47);
    EXPECT_EQ(columns.size(), 1u);
    // The OK button holds the place of the focus outside the client area.
    HWND ok = GetDlgItem(help, kHelpOkButtonId);
    RECT okRect = RectOf(ok);
    MapWindowPoints(nullptr, help, reinterpret_cast<POINT*>(&okRect), 2);
    EXPECT_TRUE(IsWindowVisible(ok) && okRect.right <= 0 && okRect.bottom <= 0);

    // Topic 1 replaces the window; the host's text goes in unchanged.
    const std::string body = "Band power: 12.5 dBm\r\n\xC2\xBD bandwidth";
    help = OpenHelp(session, kWindowHelpText, false, body);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(help, kHelpTextId)), body);
    EXPECT_TRUE(WaitForNoWindow(kParserFunctionListCaption, 2000));
    // Enter and Escape close it.
    for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
        if (key == VK_ESCAPE) help = OpenHelp(session, kWindowHelpText, false);
        ASSERT_NE(help, nullptr);
        SetForegroundWindow(help);
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(help) != nullptr; }, 3000));
        EXPECT_EQ(FocusOf(help), GetDlgItem(help, kHelpOkButtonId));
        PostKey(FocusOf(help), key);
        EXPECT_TRUE(WaitForNoWindow(kSpectralPowerCaption, 3000)) << key;
    }
}

TEST(HelpWindow, PlacedAtTheAnchorBesideAnExactConverterOrWhereItWasLeft) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    HWND help = OpenHelp(session, kWindowHelpText, false);
    ASSERT_NE(help, nullptr);
    ExpectAtAnchor(help);
    CloseHelp(session, kWindowHelpText);

    // A converter exactly at the anchor: the help window goes to its left, 50 twips apart.
    ASSERT_TRUE(
        session.Send(OpenRequest(kWindowConverter, "", kOffsetY, kOffsetX, kTop, kLeft, false)));
    HWND converter = WaitForWindow("Units Converter");
    ASSERT_NE(converter, nullptr);
    ASSERT_NE(help = OpenHelp(session, kWindowFunctionList, false), nullptr);
    const RECT c = RectOf(converter);
    EXPECT_NEAR((c.left - RectOf(help).right) * TwipsPerPixel(), 50, TwipsPerPixel());
    EXPECT_NEAR(RectOf(help).bottom, Anchor().y, 1);
    // Moved by one pixel, the converter no longer counts as standing there.
    MoveTo(converter, c.left + 1, c.top);
    CloseHelp(session, kWindowFunctionList);
    ASSERT_NE(help = OpenHelp(session, kWindowFunctionList, false), nullptr);
    ExpectAtAnchor(help);
    ASSERT_TRUE(session.Send(CloseRequest(kWindowConverter)));
    ASSERT_TRUE(WaitForNoWindow("Units Converter"));

    // RememberPosition on keeps the place where it was closed (for either topic), off neither uses
    // nor updates it, and a saved top below 1 twip falls back to the anchor.
    enum Place { kAnywhere, kSaved, kAnchor };
    const struct {
        int topic;
        bool remember;
        Place place;
        int moveX, moveY;  // -1: left where it opened
    } steps[] = {{kWindowHelpText, true, kAnywhere, 200, 150},
                 {kWindowFunctionList, true, kSaved, -1, -1},
                 {kWindowHelpText, false, kAnchor, 330, 260},
                 {kWindowHelpText, true, kSaved, 200, 0},
                 {kWindowHelpText, true, kAnchor, -1, -1}};
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        ASSERT_NE(help = OpenHelp(session, step.topic, step.remember), nullptr);
        if (step.place == kAnchor) ExpectAtAnchor(help);
        if (step.place == kSaved) {
            EXPECT_EQ(RectOf(help).left, 200);
            EXPECT_EQ(RectOf(help).top, 150);
        }
        if (step.moveX >= 0) MoveTo(help, step.moveX, step.moveY);
        CloseHelp(session, step.topic);
    }
}

}  // namespace
}  // namespace kes::test
