#include <string>
#include <tuple>
#include <vector>

#include "win/FormFixture.h"

namespace kes::test {
namespace {

using Ints = std::vector<int>;

Ints Selected(HWND list) {
    Ints selected;
    for (int i = 0, n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); i < n; ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
    return selected;
}
std::optional<std::string> Reply() {
    return StoredValue(kSectionMessages, kListMessageValue);
}
// The list box of a freshly opened token window.
HWND Open(std::string_view request) {
    return GetDlgItem(OpenTool(kWindowTokenList, request), kTokenListBoxId);
}
// The question the close box asks when other tokens are selected: its button
// `index` (Yes, No, Cancel) is clicked.
std::function<void(HWND)> AnswerQuestion(int index, std::string_view caption) {
    return [index, caption = std::string(caption)](HWND box) {
        EXPECT_EQ(win::GetText(MsgButton(box, index)), caption);
        EXPECT_EQ(win::GetText(GetDlgItem(box, kMsgTextId)), kApplyQuestion);
        PostMessageW(MsgButton(box, index), BM_CLICK, 0, 0);
    };
}

class TokenWindow : public FormTest {};

TEST_F(TokenWindow, FillsFromTheRequestKeepsTheCurrentTokenOnAnyClickAndRepliesUnaskedByCode) {
    // Splitting and the reply's form are the core's; these rows prove the wiring. The current
    // token, clicked to drop it, is selected again; another item: both selected; no match:
    // item 0 stands for the current token. The last of two matches is scrolled to.
    std::string longRequest = "12~Long~";
    for (int i = 0; i < 30; ++i) longRequest += i == 17 || i == 25 ? "12 t~" : "100 t~";
    // Request, its first item, what is selected, the item clicked and how, then the selection
    // and the reply when the code closes the window.
    // clang-format off
    const std::tuple<std::string, const char*, Ints, int, UINT, Ints, const char*> cases[] = {
        {"3~Resistor~1 R1~3 R3~5 R5~9 R9~", "1 R1", {1}, 2, WM_LBUTTONDOWN, {1, 2}, "3~3~5~"},
        {"x~Word~2.5~true~", "2.5", {}, 1, WM_LBUTTONDOWN, {0, 1}, "0~2.5~-1~"},
        {"5~Again~1~5~7~", "1", {1}, 1, WM_LBUTTONDOWN, {1}, "5~5~"},
        {"8~Unmatched~1~2~3~", "1", {}, 2, WM_LBUTTONDOWN, {0, 2}, "8~1~3~"},
        {"8~Right~1~2~3~", "1", {}, 0, WM_RBUTTONDOWN, {0}, "8~1~"},
        {longRequest, "100 t", {17, 25}, -1, 0, {17, 25}, "12~12~12~"}};
    // clang-format on
    AnswerBoxes never(ClickButton(2));
    for (const auto& [request, item, preselected, click, down, selected, reply] : cases) {
        SCOPED_TRACE(request);
        // A reply that the host did not pick up goes when the next window opens.
        win::SettingsStore().Save(kSectionMessages, kListMessageValue, "stale~");
        HWND list = Open(request);
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(Reply());
        wchar_t first[64] = {};
        SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
        EXPECT_EQ(win::Narrow(first), item);
        EXPECT_EQ(Selected(list), preselected);
        const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0),
                      top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
        EXPECT_TRUE(click >= 0 || (top > 17 && top <= 25)) << "the first match out of sight";
        // Button down toggles the item, button up is the MouseUp event; the caret stays there.
        const LPARAM at = MAKELPARAM(10, click * height + height / 2);
        if (click >= 0) PostMessageW(list, down, 0, at);
        if (click >= 0) PostMessageW(list, down + 1, 0, at);
        Pump(50);
        EXPECT_EQ(Selected(list), selected);
        EXPECT_TRUE(click < 0 || SendMessageW(list, LB_GETCARETINDEX, 0, 0) == click);
        CloseToolWindow(kWindowTokenList);
        Pump(0);
        EXPECT_EQ(Reply().value_or("none"), reply);
    }
    EXPECT_EQ(never.Count(), 0);
}

// Only the current token, or nothing, selected: saved without a question. Cancel: the window
// stays as it was and nothing is written; No, on the same window then, writes nothing. A reopen
// request that arrives while the question is up (requests are served inside its loop) waits
// for the answer: never two windows, and the new one starts with no reply in the store.
TEST_F(TokenWindow, AsksBeforeApplyingToOtherTokensWhenTheUserClosesAndAReopenWaitsForIt) {
    // Items selected besides the current one, the current one dropped, the question's button
    // (-1: not asked), the reply, a reopen request while the question is up.
    // clang-format off
    const std::tuple<Ints, bool, int, const char*, const char*, bool> cases[] = {
        {{}, false, -1, "", "3~3~", false}, {{}, true, -1, "", "3~", false},
        {{2}, false, 2, "Cancel", nullptr, false}, {{2}, false, 1, "&No", nullptr, false},
        {{0, 2}, false, 0, "&Yes", "3~1~3~5~", false}, {{2}, false, 2, "Cancel", nullptr, true},
        {{2}, false, 0, "&Yes", nullptr, true}};
    // clang-format on
    const auto second = [] {
        return FindWindowExW(nullptr, FindWindowW(kTokenListClass, nullptr), kTokenListClass,
                             nullptr);
    };
    HWND list = nullptr;
    for (const auto& [select, dropCurrent, button, caption, reply, reopen] : cases) {
        SCOPED_TRACE(testing::Message() << button << " " << dropCurrent << reopen);
        if (!IsWindow(list)) list = Open("3~Ask~1~3~5~");
        for (int i : select) SendMessageW(list, LB_SETSEL, TRUE, i);
        if (dropCurrent) SendMessageW(list, LB_SETSEL, FALSE, 1);
        AnswerBoxes answer([&, button = button, caption = caption, reopen = reopen](HWND box) {
            EXPECT_TRUE(!reopen || OpenTool(kWindowTokenList, "4~Again~4~") == GetParent(list));
            Pump(reopen ? 100 : 0);
            EXPECT_EQ(second(), nullptr);
            AnswerQuestion(button, caption)(box);
        });
        SendMessageW(GetParent(list), WM_SYSCOMMAND, SC_CLOSE, 0);
        Pump(0);
        EXPECT_EQ(answer.Count(), button < 0 ? 0 : 1);
        EXPECT_EQ(IsWindow(list) != FALSE, button == 2 && !reopen);
        EXPECT_TRUE(button != 2 || reopen ||
                    (IsWindowVisible(list) && Selected(list) == Ints{1, 2}));
        EXPECT_TRUE(!reopen || WaitForWindow(kTokenListClass, "Again Tokens", 2000));
        EXPECT_EQ(Reply(), reply ? std::optional<std::string>(reply) : std::nullopt);
    }
}

}  // namespace
}  // namespace kes::test
