#include <cmath>
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
    // Window, RememberPosition (-1: off, and the window stays open for the next step; else it is
    // closed after), where it opens, where the user moves it (-1: left where it opened; 0: one
    // pixel to the right).
    // clang-format off
    constexpr int Text = kWindowHelpText, List = kWindowFunctionList, Conv = kWindowConverter;
    const std::tuple<int, int, Place, int, int> steps[] = {
        {Text, -1, kAnchor, -1, -1}, {Conv, -1, kBeside, -1, -1}, {Text, -1, kAnchor, 0, 0},
        {Conv, -1, kAnchor, -1, -1}, {List, -1, kBeside, -1, -1}, {Conv, -1, kAnchor, 0, 0},
        {List, 0, kAnchor, -1, -1}, {Conv, 0, kAnchor, -1, -1}, {Text, 1, kAnywhere, 200, 150},
        {List, 1, kSaved, -1, -1}, {Text, 0, kAnchor, 330, 260}, {Text, 1, kSaved, 200, 0},
        {Text, 1, kAnchor, -1, -1}};
    // clang-format on
    HWND last = nullptr;
    for (const auto& [window, remember, place, moveX, moveY] : steps) {
        SCOPED_TRACE(testing::Message() << window << remember << place << moveX);
        const HWND form = OpenTool(window, "", remember > 0);
        ASSERT_NE(form, nullptr);
        // Where it stands once the window manager has placed it.
        const auto placed = [&, place = place] {
            const RECT r = RectOf(form), o = RectOf(last);
            if (place == kAnchor)
                return bool(StandsAtRequest(form, kOffsetY, kOffsetX, kTop, kLeft));
            if (place == kSaved) return r.left == 200 && r.top == 150;
            const double gap = std::abs((o.left - r.right) * TwipsPerPixel() - 50);
            return place != kBeside || (gap <= TwipsPerPixel() && r.bottom == o.bottom);
        };
        EXPECT_TRUE(WaitUntil(placed, 3000)) << RectOf(form).left << "," << RectOf(form).bottom;
        const RECT r = RectOf(form);
        const int x = moveX > 0 ? moveX : r.left + 1, y = moveX > 0 ? moveY : r.top;
        if (moveX >= 0) {
            // Moved as the user moves it; the window manager has its say first.
            SetWindowPos(form, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            Pump(100);
            EXPECT_TRUE(WaitUntil([&] { return RectOf(form).left == x && RectOf(form).top == y; }));
        }
        if (remember >= 0) CloseToolWindow(window);
        Pump(0);
        last = form;
    }
}

}  // namespace
}  // namespace kes::test
