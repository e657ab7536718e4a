#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

using host::CloseRequest;
using host::OpenRequest;

constexpr char kQuestionCaption[] = "Kestrelsim";

bool SendOpen(UtilitySession& session, std::string_view text) {
    return session.Send(OpenRequest(host::kTokenList, text, 300, 9000, 4200, 8400, false));
}

// The token window with the given caption, once its list exists.
HWND WaitForTokens(std::string_view caption) {
    HWND form = WaitForWindow(caption);
    if (form && !WaitForControl(form, kCnvrtButtonId)) return nullptr;
    return form;
}

HWND ListOf(HWND form) {
    return GetDlgItem(form, kTokenListBoxId);
}

std::vector<std::string> Items(HWND list) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(win::Narrow(text));
    }
    return items;
}

std::vector<int> Selected(HWND list) {
    std::vector<int> selected;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
    return selected;
}

void Select(HWND list, int index, bool on = true) {
    SendMessageW(list, LB_SETSEL, on, index);
}

void PostClose(HWND form) {
    PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// A real click on a list item: button down toggles it, button up is the MouseUp event.
void ClickItem(HWND list, int index) {
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    const LPARAM at = MAKELPARAM(10, (index - top) * height + height / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

HWND ButtonWithText(HWND parent, const std::string& text) {
    struct Search {
        std::string text;
        HWND found = nullptr;
    } search{text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (IsWindowVisible(child) && WindowText(child) == s->text) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Closes the window with the close box and answers the question with the button given.
void AnswerQuestion(HWND form, const std::string& button) {
    PostClose(form);
    HWND box = WaitForWindow(kQuestionCaption);
    ASSERT_NE(box, nullptr);
    HWND text = WaitForControl(box, kMsgTextId);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(WindowText(text).find("Do you want to apply the parameter values"),
              std::string::npos);
    HWND answer = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (answer = ButtonWithText(box, button)) != nullptr; }));
    PostClick(answer);
    ASSERT_TRUE(WaitForNoWindow(kQuestionCaption));
}

TEST(TokenList, FillsTheListFromTheRequestAndRepliesWhenClosedByCode) {
    const struct {
        const char* request;
        const char* caption;
        std::vector<std::string> items;
        std::vector<int> preselected;
        std::vector<int> alsoSelect;
        const char* reply;
    } cases[] = {
        {"3~Resistor~1 R1~3 R3~5 R5~9 R9~",
         "Resistor Tokens",
         {"1 R1", "3 R3", "5 R5", "9 R9"},
         {1},
         {2, 3},
         "3~3~5~9~"},
        {"3~Nothing~1 a~5 b~", "Nothing Tokens", {"1 a", "5 b"}, {}, {}, "3~"},
        {"0~Empty~5~~6~", "Empty Tokens", {"5", "", "6"}, {1}, {}, "0~0~"},
        {"3~Tail~1~3~4 without end", "Tail Tokens", {"1", "3"}, {1}, {0}, "3~1~3~"},
        {"x~Word~2.5~true~", "Word Tokens", {"2.5", "true"}, {}, {0, 1}, "0~2.5~-1~"},
    };
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    for (const auto& c : cases) {
        // A reply that the host did not pick up goes when the next window opens.
        win::SettingsStore().Save("Messages", "kesUtilListMessage", "stale~");
        ASSERT_TRUE(SendOpen(session, c.request));
        HWND form = WaitForTokens(c.caption);
        ASSERT_NE(form, nullptr) << c.request;
        EXPECT_FALSE(session.Reply().has_value()) << c.request;
        HWND list = ListOf(form);
        EXPECT_EQ(Items(list), c.items) << c.request;
        EXPECT_EQ(Selected(list), c.preselected) << c.request;
        EXPECT_EQ(WindowText(GetDlgItem(form, kTokenHelpLabelId)), kTokenHelpText);
        EXPECT_TRUE(WaitUntil([&] { return IsTopmost(form); }, 2000));
        for (int i : c.alsoSelect) Select(list, i);
        // Closed by code: no question even with other tokens selected.
        ASSERT_TRUE(session.Send(CloseRequest(host::kTokenList)));
        EXPECT_TRUE(WaitForNoWindow(c.caption)) << c.request;
        EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        EXPECT_EQ(session.Reply().value_or("none"), c.reply) << c.request;
    }
}

TEST(TokenList, ScrollsToTheLastMatchingToken) {
    std::string request = "12~Long~";
    for (int i = 0; i < 30; ++i)
        request += std::to_string(i == 17 || i == 25 ? 12 : 100 + i) + " t~";
    UtilitySession session;
    ASSERT_TRUE(
        session.Start(OpenRequest(host::kTokenList, request, 300, 9000, 4200, 8400, false)));
    HWND form = WaitForTokens("Long Tokens");
    ASSERT_NE(form, nullptr);
    HWND list = ListOf(form);
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
        ASSERT_TRUE(SendOpen(session, "3~Quiet~1~3~5~"));
        HWND form = WaitForTokens("Quiet Tokens");
        ASSERT_NE(form, nullptr);
        if (deselect) Select(ListOf(form), 1, false);
        PostClose(form);
        EXPECT_TRUE(WaitForNoWindow("Quiet Tokens"));
        EXPECT_EQ(session.Reply().value_or("none"), deselect ? "3~" : "3~3~");
    }

    ASSERT_TRUE(SendOpen(session, "3~Ask~1~3~5~"));
    HWND form = WaitForTokens("Ask Tokens");
    ASSERT_NE(form, nullptr);
    Select(ListOf(form), 2);
    // Cancel: the window stays as it was, nothing is written.
    AnswerQuestion(form, "Cancel");
    Pump(200);
    EXPECT_TRUE(IsWindow(form) && IsWindowVisible(form));
    EXPECT_EQ(Selected(ListOf(form)), (std::vector<int>{1, 2}));
    EXPECT_FALSE(session.Reply().has_value());
    // No: closes without a reply.
    AnswerQuestion(form, "&No");
    EXPECT_TRUE(WaitForNoWindow("Ask Tokens"));
    Pump(200);
    EXPECT_FALSE(session.Reply().has_value());
    // Yes: saved.
    ASSERT_TRUE(SendOpen(session, "3~Ask~1~3~5~"));
    form = WaitForTokens("Ask Tokens");
    ASSERT_NE(form, nullptr);
    Select(ListOf(form), 0);
    Select(ListOf(form), 2);
    AnswerQuestion(form, "&Yes");
    EXPECT_TRUE(WaitForNoWindow("Ask Tokens"));
    EXPECT_EQ(session.Reply().value_or("none"), "3~1~3~5~");
}

TEST(TokenList, MouseReleaseKeepsTheCurrentTokenSelected) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    const struct {
        const char* request;
        const char* caption;
        int click;
        std::vector<int> selected;
    } cases[] = {
        // Clicking the current token to drop it: selected again, and it has the caret.
        {"5~Again~1~5~7~", "Again Tokens", 1, {1}},
        // Another item: both selected, the caret on the clicked one.
        {"5~Other~1~5~7~", "Other Tokens", 2, {1, 2}},
        // No match: item 0 stands for the current token.
        {"8~Unmatched~1~2~3~", "Unmatched Tokens", 2, {0, 2}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SendOpen(session, c.request));
        HWND form = WaitForTokens(c.caption);
        ASSERT_NE(form, nullptr);
        HWND list = ListOf(form);
        ClickItem(list, c.click);
        EXPECT_TRUE(WaitUntil([&] { return Selected(list) == c.selected; }, 2000))
            << c.request << ": " << Selected(list).size();
        EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), c.click) << c.request;
    }
}

TEST(TokenList, HostGoingAwayStillGetsTheReply) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(
        OpenRequest(host::kTokenList, "3~Gone~1~3~5~", 300, 9000, 4200, 8400, false)));
    HWND form = WaitForTokens("Gone Tokens");
    ASSERT_NE(form, nullptr);
    Select(ListOf(form), 2);
    ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
    session.DestroyHost();
    ASSERT_TRUE(session.WaitForExit(5000));
    EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
}

// Every value the reply takes, as the host would see it change.
class ReplyWatcher {
  public:
    ReplyWatcher() {
        RegCreateKeyExW(HKEY_CURRENT_USER,
                        L"Software\\VB and VBA Program Settings\\Kestrelsim\\Messages", 0, nullptr,
                        0, KEY_READ | KEY_NOTIFY, nullptr, &key_, nullptr);
        changed_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_, TRUE);
        thread_ = std::thread([this] { Run(); });
    }
    ~ReplyWatcher() {
        SetEvent(stop_);
        thread_.join();
        CloseHandle(changed_);
        CloseHandle(stop_);
        RegCloseKey(key_);
    }
    std::vector<std::string> Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

  private:
    void Run() {
        const HANDLE events[] = {changed_, stop_};
        while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) {
            wchar_t value[256];
            DWORD size = sizeof value;
            const bool present =
                RegQueryValueExW(key_, L"kesUtilListMessage", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
            RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_, TRUE);
            if (present) {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(win::Narrow(std::wstring(value, size / sizeof(wchar_t) - 1)));
            }
        }
    }

    HKEY key_ = nullptr;
    HANDLE changed_ = nullptr, stop_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> seen_;
};

TEST(TokenList, ReopeningHandsTheOldSelectionBackFirst) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    ASSERT_TRUE(SendOpen(session, "3~First~1~3~5~"));
    HWND form = WaitForTokens("First Tokens");
    ASSERT_NE(form, nullptr);
    Select(ListOf(form), 2);
    {
        ReplyWatcher watcher;
        ASSERT_TRUE(SendOpen(session, "4~Second~4~8~"));
        HWND second = WaitForTokens("Second Tokens");
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(Items(ListOf(second)), (std::vector<std::string>{"4", "8"}));
        EXPECT_TRUE(WaitUntil([&] { return !watcher.Seen().empty(); }, 2000));
        EXPECT_EQ(watcher.Seen(), (std::vector<std::string>{"3~3~5~"}));
    }
    // The new window took the handed-back reply away, as it does at every load.
    EXPECT_FALSE(session.Reply().has_value());
    EXPECT_FALSE(IsWindow(form));
}

TEST(TokenList, ReopenRequestWhileTheQuestionIsOpen) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    ASSERT_TRUE(SendOpen(session, "3~First~1~3~5~"));
    HWND form = WaitForTokens("First Tokens");
    ASSERT_NE(form, nullptr);
    Select(ListOf(form), 2);
    PostClose(form);
    HWND box = WaitForWindow(kQuestionCaption);
    ASSERT_NE(box, nullptr);
    // Served inside the question's loop while the first window is still unloading.
    ASSERT_TRUE(SendOpen(session, "4~Second~4~8~"));
    HWND second = WaitForTokens("Second Tokens");
    ASSERT_NE(second, nullptr);
    HWND yes = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (yes = ButtonWithText(box, "&Yes")) != nullptr; }));
    PostClick(yes);
    EXPECT_TRUE(WaitForNoWindow("First Tokens"));
    EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
    // The new window is untouched and still answers to requests.
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_EQ(Selected(ListOf(second)), (std::vector<int>{0}));
    ASSERT_TRUE(session.Send(CloseRequest(host::kTokenList)));
    EXPECT_TRUE(WaitForNoWindow("Second Tokens"));
    EXPECT_EQ(session.Reply().value_or("none"), "4~4~");
}

}  // namespace
}  // namespace kes::test
