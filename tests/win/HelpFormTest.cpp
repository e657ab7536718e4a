#include <string>
#include <tuple>

#include "core/ParserFunctionList.h"
#include "win/FormFixture.h"

namespace kes::test {
namespace {

RECT RectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

class HelpWindow : public FormTest {};

TEST_F(HelpWindow, TopicsShowTheFunctionListInTheUsersSeparatorsOrTheHostsTextAndKeysClose) {
    for (const auto& [decimal, list] : {std::pair{".", ","}, std::pair{",", ";"}}) {
        Util().DecimalSeparator = decimal;
        Util().ListSeparator = list;
        const HWND help = OpenTool(kWindowFunctionList);
        EXPECT_EQ(win::GetText(GetDlgItem(help, kHelpTextId)), ParserFunctionList(decimal, list));
    }
    // Topic 1 replaces the window; the host's text goes in unchanged. Enter and Escape close it.
    const std::string body = "Band power: 12.5 dBm\r\n\xC2\xBD bandwidth";
    for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
        const HWND help = OpenTool(kWindowHelpText, body);
        EXPECT_EQ(win::GetText(GetDlgItem(help, kHelpTextId)), body);
        EXPECT_EQ(win::GetText(help), kSpectralPowerCaption);
        PostKey(GetDlgItem(help, kHelpOkButtonId), key);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(help); }, 3000)) << key;
    }
}

TEST_F(HelpWindow, PlacedAtTheAnchorBesideAnExactConverterOrWhereItWasLeft) {
    // Either tool window goes to the left of the other, 50 twips apart with the bottoms
    // aligned, when that one stands exactly at the anchor; moved by the user, even by one
    // pixel, it no longer counts. RememberPosition on keeps the place where it was closed (for
    // either topic), off neither uses nor updates it, and a saved top below 1 twip falls back
    // to the anchor.
    enum Place { kAnywhere, kSaved, kAnchor, kBeside };
    // Window, remember, where it opens, where the user moves it (-1: left where it opened; 0: one
    // pixel to the right), whether it is closed then.
    // clang-format off
    const std::tuple<int, bool, Place, int, int, bool> steps[] = {
        {kWindowHelpText, false, kAnchor, -1, -1, false}, {kWindowConverter, false, kBeside, -1, -1, false},
        {kWindowHelpText, false, kAnchor, 0, 0, false}, {kWindowConverter, false, kAnchor, -1, -1, false},
        {kWindowFunctionList, false, kBeside, -1, -1, false}, {kWindowConverter, false, kAnchor, 0, 0, false},
        {kWindowFunctionList, false, kAnchor, -1, -1, true}, {kWindowConverter, false, kAnchor, -1, -1, true},
        {kWindowHelpText, true, kAnywhere, 200, 150, true}, {kWindowFunctionList, true, kSaved, -1, -1, true},
        {kWindowHelpText, false, kAnchor, 330, 260, true}, {kWindowHelpText, true, kSaved, 200, 0, true},
        {kWindowHelpText, true, kAnchor, -1, -1, true}};
    // clang-format on
    HWND last = nullptr;
    for (const auto& [window, remember, place, moveX, moveY, close] : steps) {
        SCOPED_TRACE(testing::Message() << window << remember << place << moveX);
        const HWND form = OpenTool(window, "", remember);
        ASSERT_NE(form, nullptr);
        const RECT r = RectOf(form), other = RectOf(last);
        EXPECT_TRUE(place != kAnchor || StandsAtRequest(form, kOffsetY, kOffsetX, kTop, kLeft));
        EXPECT_TRUE(place != kSaved || (r.left == 200 && r.top == 150)) << r.left << "," << r.top;
        if (place == kBeside) {
            EXPECT_NEAR((other.left - r.right) * TwipsPerPixel(), 50, TwipsPerPixel());
            EXPECT_EQ(r.bottom, other.bottom);
        }
        const int x = moveX > 0 ? moveX : r.left + 1, y = moveX > 0 ? moveY : r.top;
        if (moveX >= 0) {
            // Moved as the user moves it; the window manager has its say first.
            SetWindowPos(form, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            EXPECT_TRUE(WaitUntil([&] { return RectOf(form).left == x && RectOf(form).top == y; }));
        }
        if (close) CloseToolWindow(window);
        Pump(0);
        last = form;
    }
}

}  // namespace
}  // namespace kes::test
