#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "core/ParserFunctionList.h"
#include "forms/HelpForm.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

using host::CloseRequest;
using host::OpenRequest;

constexpr int kOffsetY = 300, kOffsetX = 4000, kTop = 4200, kLeft = 8400;

char LocaleChar(LCTYPE type, char fallback) {
    char buffer[2] = {};
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, 2) ? buffer[0] : fallback;
}

std::string Open(int topic, bool remember, std::string_view text = "") {
    return OpenRequest(topic, text, kOffsetY, kOffsetX, kTop, kLeft, remember);
}

// The anchor in pixels: top and left lose 5 pixels on the way in.
POINT AnchorPixels() {
    const double t = TwipsPerPixel();
    return {static_cast<LONG>(std::lround((kLeft - 5 * t + kOffsetX) / t)),
            static_cast<LONG>(std::lround((kTop - 5 * t + kOffsetY) / t))};
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

HWND OpenHelp(UtilitySession& session, int topic, bool remember, std::string_view caption,
              std::string_view text = "") {
    WaitForNoWindow(caption, 3000);
    if (!session.Send(Open(topic, remember, text))) return nullptr;
    HWND help = WaitForWindow(caption);
    if (help) WaitForControl(help, kHelpTextId);
    return help;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

TEST(HelpWindow, TopicsShowTheFunctionListOrTheHostsText) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(Open(0, false)));
    HWND help = WaitForWindow(kParserFunctionListCaption);
    ASSERT_NE(help, nullptr);
    HWND text = WaitForControl(help, kHelpTextId);
    ASSERT_NE(text, nullptr);
    const char decimal = LocaleChar(LOCALE_SDECIMAL, '.');
    const char list = LocaleChar(LOCALE_SLIST, ',');
    EXPECT_EQ(WindowText(text), ParserFunctionList(decimal, list));
    if (std::getenv("KES_EXPECT_COMMA_LOCALE")) {
        EXPECT_NE(WindowText(text).find("atan2(x;y)"), std::string::npos);
        EXPECT_NE(WindowText(text).find("3,1415..."), std::string::npos);
    }
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(IsTopmost(help));

    // Every description starts in one column, whichever gap precedes it.
    const std::wstring wide = win::Widen(WindowText(text));
    std::set<int> columns;
    int entries = 0;
    for (std::size_t start = 0; start < wide.size();) {
        std::size_t end = wide.find(L"\r\n", start);
        if (end == std::wstring::npos) end = wide.size();
        const std::size_t tab = wide.find_first_of(L'\t', start);
        if (tab < end) {
            const std::size_t description = wide.find_first_not_of(L'\t', tab);
            const LRESULT pos = SendMessageW(text, EM_POSFROMCHAR, description, 0);
            columns.insert(static_cast<short>(LOWORD(pos)));
            ++entries;
        }
        start = end + 2;
    }
    EXPECT_EQ(entries, 47);
    EXPECT_EQ(columns.size(), 1u) << "descriptions in " << columns.size() << " columns";

    // The OK button holds the place of the focus outside the client area.
    HWND ok = GetDlgItem(help, kHelpOkButtonId);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(IsWindowVisible(ok));
    RECT okRect = RectOf(ok);
    MapWindowPoints(nullptr, help, reinterpret_cast<POINT*>(&okRect), 2);
    EXPECT_LE(okRect.right, 0);
    EXPECT_LE(okRect.bottom, 0);

    // Topic 1 replaces the window; the host's text goes in unchanged.
    const std::string body = "Band power: 12.5 dBm\r\n\xC2\xBD bandwidth";
    HWND spectral = OpenHelp(session, 1, false, kSpectralPowerCaption, body);
    ASSERT_NE(spectral, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(spectral, kHelpTextId)), body);
    EXPECT_TRUE(WaitForNoWindow(kParserFunctionListCaption, 2000));
}

TEST(HelpWindow, PlacedAtTheAnchorBesideAnExactConverterOrWhereItWasLeft) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(Open(1, false)));
    HWND help = WaitForWindow(kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    const POINT anchor = AnchorPixels();
    RECT r = RectOf(help);
    EXPECT_NEAR(r.right, anchor.x, 1);
    EXPECT_NEAR(r.bottom, anchor.y, 1);

    // A converter exactly at the anchor: the help window goes to its left, 50 twips apart.
    ASSERT_TRUE(session.Send(CloseRequest(host::kHelpText)));
    ASSERT_TRUE(WaitForNoWindow(kSpectralPowerCaption));
    ASSERT_TRUE(
        session.Send(OpenRequest(host::kConverter, "", kOffsetY, kOffsetX, kTop, kLeft, false)));
    HWND converter = WaitForWindow("Units Converter");
    ASSERT_NE(converter, nullptr);
    help = OpenHelp(session, 0, false, kParserFunctionListCaption);
    ASSERT_NE(help, nullptr);
    const RECT c = RectOf(converter);
    r = RectOf(help);
    EXPECT_NEAR((c.left - r.right) * TwipsPerPixel(), 50, TwipsPerPixel());
    EXPECT_NEAR(r.bottom, anchor.y, 1);

    // Moved by one pixel, the converter no longer counts as standing there.
    MoveTo(converter, c.left + 1, c.top);
    ASSERT_TRUE(session.Send(CloseRequest(host::kHelpFunctionList)));
    help = OpenHelp(session, 0, false, kParserFunctionListCaption);
    ASSERT_NE(help, nullptr);
    r = RectOf(help);
    EXPECT_NEAR(r.right, anchor.x, 1);
    EXPECT_NEAR(r.bottom, anchor.y, 1);
    ASSERT_TRUE(session.Send(CloseRequest(host::kConverter)));
    ASSERT_TRUE(WaitForNoWindow("Units Converter"));

    // RememberPosition on: the place where it was closed is kept.
    help = OpenHelp(session, 1, true, kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    MoveTo(help, 200, 150);
    ASSERT_TRUE(session.Send(CloseRequest(host::kHelpText)));
    ASSERT_TRUE(WaitForNoWindow(kSpectralPowerCaption));
    help = OpenHelp(session, 0, true, kParserFunctionListCaption);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(RectOf(help).left, 200);
    EXPECT_EQ(RectOf(help).top, 150);

    // Off: neither used nor updated.
    help = OpenHelp(session, 1, false, kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    EXPECT_NEAR(RectOf(help).right, anchor.x, 1);
    MoveTo(help, 330, 260);
    ASSERT_TRUE(session.Send(CloseRequest(host::kHelpText)));
    ASSERT_TRUE(WaitForNoWindow(kSpectralPowerCaption));

    // On again: the place saved earlier.
    help = OpenHelp(session, 1, true, kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(RectOf(help).left, 200);
    EXPECT_EQ(RectOf(help).top, 150);

    // Closed at the top edge: a saved top below 1 twip falls back to the anchor.
    MoveTo(help, 200, 0);
    ASSERT_TRUE(session.Send(CloseRequest(host::kHelpText)));
    ASSERT_TRUE(WaitForNoWindow(kSpectralPowerCaption));
    help = OpenHelp(session, 1, true, kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    EXPECT_NEAR(RectOf(help).right, anchor.x, 1);
    EXPECT_NEAR(RectOf(help).bottom, anchor.y, 1);
}

TEST(HelpWindow, EnterAndEscapeClose) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(Open(1, false)));
    for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
        HWND help = key == VK_RETURN ? WaitForWindow(kSpectralPowerCaption)
                                     : OpenHelp(session, 1, false, kSpectralPowerCaption);
        ASSERT_NE(help, nullptr);
        SetForegroundWindow(help);
        HWND focus = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (focus = FocusOf(help)) != nullptr; }, 3000));
        EXPECT_EQ(focus, GetDlgItem(help, kHelpOkButtonId));
        PostKey(focus, key);
        EXPECT_TRUE(WaitForNoWindow(kSpectralPowerCaption, 3000)) << key;
    }
}

}  // namespace
}  // namespace kes::test
