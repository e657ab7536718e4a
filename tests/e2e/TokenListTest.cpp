#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

using host::CloseRequest;

std::string Open(std::string_view text) {
    return host::OpenRequest(kWindowTokenList, text, 300, 9000, 4200, 8400, false);
}

// Sends the request; the list box of the window "<caption> Tokens", once it has its buttons.
HWND OpenList(UtilitySession& session, std::string_view request) {
    const std::string caption(request.substr(request.find('~') + 1));
    if (!session.Send(Open(request))) return nullptr;
    HWND form = WaitForWindow(caption.substr(0, caption.find('~')) + " Tokens");
    return form && WaitForControl(form, kCnvrtButtonId) ? GetDlgItem(form, kTokenListBoxId)
                                                        : nullptr;
}

std::vector<std::string> Items(HWND list) {
    std::vector<std::string> items;
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(win::Narrow(text));
    }
    return items;
}

std::vector<int> Selected(HWND list) {
    std::vector<int> selected;
    for (int i = 0, n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); i < n; ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
    return selected;
}

void Select(HWND list, int index, bool on = true) {
    SendMessageW(list, LB_SETSEL, on, index);
}

void PostClose(HWND list) {
    PostMessageW(GetParent(list), WM_SYSCOMMAND, SC_CLOSE, 0);
}

// Answers the question the close box asks when other tokens are selected;
// Yes, No and Cancel are its buttons 0, 1 and 2.
void Answer(int button, std::string_view caption) {
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(WindowText(GetDlgItem(box, kMsgFirstButtonId + button)), caption);
    EXPECT_NE(AnswerMessageBox(button).find("Do you want to apply the parameter values"),
              std::string::npos);
}

TEST(TokenList, FillsTheListFromTheRequestAndRepliesWhenClosedByCode) {
    const struct {
        const char* request;
        std::vector<std::string> items;
        std::vector<int> preselected, alsoSelect;
        const char* reply;
    } cases[] = {
        {"3~Resistor~1 R1~3 R3~5 R5~9 R9~",
         {"1 R1", "3 R3", "5 R5", "9 R9"},
         {1},
         {2, 3},
         "3~3~5~9~"},
        {"3~Nothing~1 a~5 b~", {"1 a", "5 b"}, {}, {}, "3~"},
        {"0~Empty~5~~6~", {"5", "", "6"}, {1}, {}, "0~0~"},
        {"3~Tail~1~3~4 without end", {"1", "3"}, {1}, {0}, "3~1~3~"},
        {"x~Word~2.5~true~", {"2.5", "true"}, {}, {0, 1}, "0~2.5~-1~"},
    };
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        // A reply that the host did not pick up goes when the next window opens.
        win::SettingsStore().Save("Messages", "kesUtilListMessage", "stale~");
        HWND list = OpenList(session, c.request);
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(session.Reply().has_value());
        EXPECT_EQ(Items(list), c.items);
        EXPECT_EQ(Selected(list), c.preselected);
        EXPECT_EQ(WindowText(GetDlgItem(GetParent(list), kTokenHelpLabelId)), kTokenHelpText);
        EXPECT_TRUE(WaitUntil([&] { return IsTopmost(GetParent(list)); }, 2000));
        for (int i : c.alsoSelect) Select(list, i);
        // Closed by code: no question even with other tokens selected.
        ASSERT_TRUE(session.Send(CloseRequest(kWindowTokenList)));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
        EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        EXPECT_EQ(session.Reply().value_or("none"), c.reply);
    }
}

TEST(TokenList, ClicksKeepTheCurrentTokenSelectedAndTheLastOfTwoMatchesIsScrolledTo) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    const struct {
        const char* request;
        int click;
        std::vector<int> selected;
        UINT down = WM_LBUTTONDOWN;
    } cases[] = {
        {"5~Again~1~5~7~", 1, {1}},         // the current token, clicked to drop it: selected again
        {"5~Other~1~5~7~", 2, {1, 2}},      // another item: both selected
        {"8~Unmatched~1~2~3~", 2, {0, 2}},  // no match: item 0 stands for the current token
        // Every button's release is a MouseUp.
        {"8~Right~1~2~3~", 0, {0}, WM_RBUTTONDOWN},
        {"8~Middle~1~2~3~", 0, {0}, WM_MBUTTONDOWN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        HWND list = OpenList(session, c.request);
        ASSERT_NE(list, nullptr);
        // Button down toggles the item, button up is the MouseUp event; the caret stays there.
        const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
        const LPARAM at = MAKELPARAM(10, c.click * height + height / 2);
        PostMessageW(list, c.down, 0, at);
        PostMessageW(list, c.down + 1, 0, at);
        EXPECT_TRUE(WaitUntil([&] { return Selected(list) == c.selected; }, 2000));
        EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), c.click);
    }
    std::string request = "12~Long~";
    for (int i = 0; i < 30; ++i)
        request += std::to_string(i == 17 || i == 25 ? 12 : 100 + i) + " t~";
    HWND list = OpenList(session, request);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Selected(list), (std::vector<int>{17, 25}));
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    EXPECT_GT(top, 17);  // the first match is scrolled out of sight
    EXPECT_LE(top, 25);
}

TEST(TokenList, AsksBeforeApplyingToOtherTokensWhenTheUserCloses) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    // Only the current token, or nothing, selected: saved without a question.
    for (const bool deselect : {false, true}) {
        HWND list = OpenList(session, "3~Quiet~1~3~5~");
        ASSERT_NE(list, nullptr);
        if (deselect) Select(list, 1, false);
        PostClose(list);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
        EXPECT_EQ(session.Reply().value_or("none"), deselect ? "3~" : "3~3~");
    }
    HWND list = OpenList(session, "3~Ask~1~3~5~");
    ASSERT_NE(list, nullptr);
    Select(list, 2);
    // Cancel: the window stays as it was, nothing is written.
    PostClose(list);
    Answer(2, "Cancel");
    Pump(200);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(Selected(list), (std::vector<int>{1, 2}));
    EXPECT_FALSE(session.Reply().has_value());
    // No: closes without a reply.
    PostClose(list);
    Answer(1, "&No");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
    Pump(200);
    EXPECT_FALSE(session.Reply().has_value());
    // Yes: saved.
    ASSERT_NE(list = OpenList(session, "3~Ask~1~3~5~"), nullptr);
    Select(list, 0);
    Select(list, 2);
    PostClose(list);
    Answer(0, "&Yes");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(list); }));
    EXPECT_EQ(session.Reply().value_or("none"), "3~1~3~5~");
}

TEST(TokenList, HostGoingAwayStillGetsTheReply) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(Open("3~Gone~1~3~5~")));
    HWND form = WaitForWindow("Gone Tokens");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(WaitForControl(form, kCnvrtButtonId));
    Select(GetDlgItem(form, kTokenListBoxId), 2);
    ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
    session.DestroyHost();
    ASSERT_TRUE(session.WaitForExit(5000));
    EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
}

int TokenWindows() {
    int n = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"KesUtilTokenList", nullptr));) ++n;
    return n;
}

// A reopen sent while the question is up waits for the answer: never two
// windows, and the new one starts with no reply of the old one in the store.
TEST(TokenList, ReopenRequestWhileTheQuestionIsOpenWaitsForTheAnswer) {
    for (const auto& [button, caption] :
         {std::pair{0, "&Yes"}, std::pair{1, "&No"}, std::pair{2, "Cancel"}}) {
        SCOPED_TRACE(caption);
        UtilitySession session;
        ASSERT_TRUE(session.Start("-3@"));
        HWND first = OpenList(session, "3~First~1~3~5~");
        ASSERT_NE(first, nullptr);
        Select(first, 2);
        PostClose(first);
        ASSERT_NE(WaitForMessageBox(), nullptr);
        ASSERT_TRUE(session.Send(Open("4~Second~4~8~")));
        Pump(300);
        EXPECT_EQ(TokenWindows(), 1);
        EXPECT_EQ(FindWindowW(nullptr, L"Second Tokens"), nullptr);
        Answer(button, caption);
        HWND second = WaitForWindow("Second Tokens");
        ASSERT_NE(second, nullptr);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_EQ(TokenWindows(), 1);
        EXPECT_FALSE(session.Reply().has_value());
        ASSERT_TRUE(session.Send(CloseRequest(kWindowTokenList)));
        EXPECT_TRUE(WaitForNoWindow("Second Tokens"));
        EXPECT_EQ(session.Reply().value_or("none"), "4~4~");
    }
}

}  // namespace
}  // namespace kes::test
