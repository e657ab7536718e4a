#include <set>
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

// Moved as the user moves it; the window manager has its say first.
void MoveTo(HWND hwnd, int x, int y) {
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(100);
    EXPECT_TRUE(WaitUntil([&] { return RectOf(hwnd).left == x && RectOf(hwnd).top == y; }, 2000));
}

void ExpectAtAnchor(HWND form) {
    EXPECT_TRUE(StandsAtRequest(form, kOffsetY, kOffsetX, kTop, kLeft));
}
// `left` stands to the left of `right`, 50 twips apart, the bottoms aligned.
void ExpectBeside(HWND left, HWND right) {
    EXPECT_NEAR((RectOf(right).left - RectOf(left).right) * TwipsPerPixel(), 50, TwipsPerPixel());
    EXPECT_EQ(RectOf(left).bottom, RectOf(right).bottom);
}

class HelpWindow : public FormTest {};

TEST_F(HelpWindow, TopicsShowTheFunctionListInTheUsersSeparatorsOrTheHostsText) {
    for (const auto& [decimal, list] : {std::pair{".", ","}, std::pair{",", ";"}}) {
        SCOPED_TRACE(decimal);
        Util().DecimalSeparator = decimal;
        Util().ListSeparator = list;
        const HWND text = GetDlgItem(OpenTool(kWindowFunctionList), kHelpTextId);
        const std::string shown = win::GetText(text);
        EXPECT_EQ(shown, ParserFunctionList(decimal, list));
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
    }
    // Topic 1 replaces the window; the host's text goes in unchanged. Enter and Escape close it.
    const std::string body = "Band power: 12.5 dBm\r\n\xC2\xBD bandwidth";
    for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
        const HWND help = OpenTool(kWindowHelpText, body);
        EXPECT_EQ(win::GetText(GetDlgItem(help, kHelpTextId)), body);
        EXPECT_EQ(win::GetText(help), kSpectralPowerCaption);
        SetForegroundWindow(help);
        ASSERT_TRUE(WaitUntil([&] { return GetFocus() != nullptr; }, 3000));
        EXPECT_EQ(GetFocus(), GetDlgItem(help, kHelpOkButtonId));
        PostKey(GetFocus(), key);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(help); }, 3000)) << key;
    }
}

TEST_F(HelpWindow, PlacedAtTheAnchorBesideAnExactConverterOrWhereItWasLeft) {
    // Either tool window goes to the left of the other when that one stands exactly at the
    // anchor; moved by the user, even by one pixel, it no longer counts.
    HWND help = OpenTool(kWindowHelpText, "notes");
    ExpectAtAnchor(help);
    HWND converter = OpenTool(kWindowConverter);
    ExpectBeside(converter, help);
    MoveTo(help, RectOf(help).left + 1, RectOf(help).top);
    ExpectAtAnchor(converter = OpenTool(kWindowConverter));
    ExpectBeside(help = OpenTool(kWindowFunctionList), converter);
    MoveTo(converter, RectOf(converter).left + 1, RectOf(converter).top);
    ExpectAtAnchor(OpenTool(kWindowFunctionList));
    CloseToolWindow(kWindowConverter);

    // RememberPosition on keeps the place where it was closed (for either topic), off neither
    // uses nor updates it, and a saved top below 1 twip falls back to the anchor.
    enum Place { kAnywhere, kSaved, kAnchor };
    // Topic, remember, where it opens, where the user moves it (-1: left where it opened).
    // clang-format off
    const std::tuple<int, bool, Place, int, int> steps[] = {
        {kWindowHelpText, true, kAnywhere, 200, 150}, {kWindowFunctionList, true, kSaved, -1, -1},
        {kWindowHelpText, false, kAnchor, 330, 260}, {kWindowHelpText, true, kSaved, 200, 0},
        {kWindowHelpText, true, kAnchor, -1, -1}};
    // clang-format on
    for (const auto& [topic, remember, place, moveX, moveY] : steps) {
        SCOPED_TRACE(testing::Message() << topic << remember << place << moveX);
        ASSERT_NE(help = OpenTool(topic, "", remember), nullptr);
        if (place == kAnchor) ExpectAtAnchor(help);
        if (place == kSaved) {
            EXPECT_EQ(std::pair(RectOf(help).left, RectOf(help).top), std::pair(200L, 150L));
        }
        if (moveX >= 0) MoveTo(help, moveX, moveY);
        CloseToolWindow(topic);
        Pump(0);
    }
}

}  // namespace
}  // namespace kes::test
