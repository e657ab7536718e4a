// Requests to one running instance, from its host and from the integrator's guide's raw DDE
// sample, the boxes they raise, and the ends a session can come to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "RawDdeSample.cpp"  // taken from docs/host-integration.md by the build
#include "forms/ConverterForm.h"
#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
#include "support/RawDdeClient.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

// Two request positions that keep every tool window on the screen.
struct Place {
    int offsetY, offsetX, top, left;
};
constexpr Place kFirst{300, 4000, 4500, 2400}, kSecond{600, 6000, 5000, 3000};
std::string Open(int window, const Place& p, std::string_view text = "") {
    return host::OpenRequest(window, text, p.offsetY, p.offsetX, p.top, p.left, false);
}
testing::AssertionResult AtPlace(HWND hwnd, const Place& p) {
    return StandsAtRequest(hwnd, p.offsetY, p.offsetX, p.top, p.left);
}

TEST(Requests, EachToolWindowOpensReopensFreshAndClosesAndOtherRequestsLeaveIt) {
    const auto log = std::filesystem::temp_directory_path() / "kesutil-requests.log";
    std::filesystem::remove(log);
    SetEnvironmentVariableW(L"KESUTIL_LOG", log.c_str());  // the utility inherits it
    UtilitySession session;
    ASSERT_TRUE(session.Start(host::kStartOnlyRequest));
    SetEnvironmentVariableW(L"KESUTIL_LOG", nullptr);
    // Window, its class, the number that closes it: either help number closes help.
    const std::tuple<int, const wchar_t*, int> windows[] = {
        {kWindowFunctionList, kHelpClass, kWindowHelpText},
        {kWindowHelpText, kHelpClass, kWindowFunctionList},
        {kWindowConverter, kConverterClass, kWindowConverter},
        {kWindowTokenList, kTokenListClass, kWindowTokenList}};
    for (const auto& [number, windowClass, closedBy] : windows) {
        SCOPED_TRACE(number);
        EXPECT_TRUE(session.Send(Open(number, kFirst)));
        const HWND first = WaitForWindow(windowClass);
        EXPECT_TRUE(AtPlace(first, kFirst));
        EXPECT_TRUE(IsTopmost(first));
        EXPECT_TRUE(session.Send(Open(number, kSecond)));
        const HWND second = WaitForWindow(windowClass);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_TRUE(AtPlace(second, kSecond));
        EXPECT_TRUE(session.Send(host::CloseRequest(closedBy)));
        EXPECT_TRUE(WaitForNoWindow(windowClass, 2000));
    }
    // Closes of windows that are not open and unknown codes leave the converter as it is; the
    // first four store no field (no half-applied request), the others the places. A bare
    // reopen after each shows the stored place.
    const std::string fields = "5@@600@6000@5000@3000@False@";
    const std::pair<std::string, bool> others[] = {
        {"abc@" + fields, false}, {"-3@" + fields, false},
        {"-2@" + fields, false},  {host::CloseRequest(kWindowTokenList), false},
        {Open(7, kSecond), true}, {"-1@7@@600@6000@5000@3000@False@", true}};
    EXPECT_TRUE(session.Send(Open(kWindowConverter, kFirst)));
    HWND converter = WaitForWindow(kConverterClass);
    for (const auto& [request, stores] : others) {
        SCOPED_TRACE(request);
        EXPECT_TRUE(session.Send(request));
        Pump(50);
        EXPECT_EQ(FindVisible(kConverterClass), converter) << "closed or reopened";
        EXPECT_EQ(FindWindowW(kHelpClass, nullptr), nullptr);
        EXPECT_TRUE(session.Send("0@5@"));
        EXPECT_TRUE(AtPlace(converter = WaitForWindow(kConverterClass), stores ? kSecond : kFirst));
    }
    // An execute is read to its declared size only, also where a longer one lay just before:
    // the log shows it as sent (the block holds no terminator).
    RawDdeClient client;
    ASSERT_TRUE(client.Connect(kDdeService.data(), kDdeTopic.data()));
    for (const int before : {30000, 200, 20}) {
        EXPECT_TRUE(client.ExecuteText("x@" + std::string(before, '7')));
        EXPECT_TRUE(client.Execute("x@5@"));
        std::ifstream in(log, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        EXPECT_TRUE(text.ends_with("DDE \"x@5@\": code -2000, not a request\r\n"))
            << text.substr(text.rfind("DDE"));
    }
    // A UTF-16 block from a Unicode client window is read to its first zero byte, and says so.
    RawDdeClient unicode(true);
    ASSERT_TRUE(unicode.Connect(kDdeService.data(), kDdeTopic.data()));
    EXPECT_TRUE(
        unicode.Execute(std::string("0\0@\0"
                                    "5\0@\0\0\0",
                                    10)));
    std::ifstream in(log, std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("of 10 bytes, read up to"),
              std::string::npos);
    // The guide's sample: two requests in one conversation, each carried out once acknowledged.
    EXPECT_TRUE(
        SendToKesUtil({kConverterRequest.c_str(), Open(kWindowFunctionList, kSecond).c_str()}));
    EXPECT_TRUE(AtPlace(FindVisible(kConverterClass), kFirst));
    EXPECT_NE(WaitForWindow(kHelpClass, kParserFunctionListCaption), nullptr);
}

// The utility's message box, once its buttons exist: button `index` is clicked and the box
// waited out.
void AnswerMessageBox(int index) {
    const HWND box = WaitForWindow(kMessageFormClass);
    WaitUntil([&] { return GetDlgItem(box, kMsgFirstButtonId + index) != nullptr; });
    PostMessageW(GetDlgItem(box, kMsgFirstButtonId + index), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); });
}
constexpr int kCancel = 2;
// A token window with a token other than the current one selected: closing it asks first.
HWND OpenTokens(UtilitySession& session) {
    EXPECT_TRUE(session.Send(Open(kWindowTokenList, {}, "3~T~1~3~5~")));
    const HWND form = WaitForWindow(kTokenListClass);
    WaitUntil(
        [&] { return GetDlgItem(form, kCnvrtButtonId) != nullptr; });  // its controls are made
    SendMessageW(GetDlgItem(form, kTokenListBoxId), LB_SETSEL, TRUE, 2);
    return form;
}

// Each box gives the keyboard back to the window the user raised it from, with the focus where
// it was, and not to the host's window: the next key typed lands in the tool window.
TEST(Boxes, EveryBoxHandsTheKeyboardBackToTheWindowItCameFrom) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(kConverterRequest));
    const HWND converter = WaitForWindow(kConverterClass), text1 = GetDlgItem(converter, kText1Id);
    const HWND tokens = OpenTokens(session);
    const auto focusOf = [](HWND window) {
        GUITHREADINFO info{sizeof info, 0, {}, {}, {}, {}, {}, {}, {}};
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        return info.hwndFocus;
    };
    INPUT keys[2] = {{INPUT_KEYBOARD, {.ki = {'Z', 0, 0, 0, 0}}},
                     {INPUT_KEYBOARD, {.ki = {'Z', 0, KEYEVENTF_KEYUP, 0, 0}}}};
    // Where the user works and what raises a box there; Cancel answers the token question.
    const std::tuple<HWND, HWND, UINT> boxes[] = {
        {converter, text1, WM_CHAR},
        {converter, GetDlgItem(converter, kConverterCalcButtonId), BM_CLICK},
        {tokens, tokens, WM_SYSCOMMAND}};
    for (const auto& [window, raiser, message] : boxes) {
        SCOPED_TRACE(message);
        SetForegroundWindow(window);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window && focusOf(window); }));
        const HWND focus = message == BM_CLICK ? raiser : focusOf(window);  // a click focuses
        win::SetText(text1, "5x");
        PostMessageW(raiser, message, message == WM_CHAR ? 13 : SC_CLOSE, 0);
        // A window opened under the first box waits for it.
        const bool helpUnder = message == WM_SYSCOMMAND && WaitForWindow(kMessageFormClass) &&
                               session.Send(Open(kWindowFunctionList, kSecond));
        EXPECT_TRUE(!helpUnder || !IsWindowEnabled(WaitForWindow(kHelpClass)));
        AnswerMessageBox(window == tokens ? kCancel : 0);
        EXPECT_TRUE(!helpUnder ||
                    WaitUntil([] { return IsWindowEnabled(FindVisible(kHelpClass)); }));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
        EXPECT_EQ(focusOf(window), focus);
        if (message != WM_CHAR) continue;
        // A key typed now replaces the fault that the invalid-value box marked, once the window
        // manager has settled the focus after the box went.
        Pump(200);
        ASSERT_EQ(GetForegroundWindow(), window);
        SendInput(2, keys, sizeof keys[0]);
        EXPECT_TRUE(WaitUntil([&] { return win::GetText(text1) == "5z"; })) << win::GetText(text1);
    }
}

// However the utility ends under a token window with other tokens selected, the reply is
// saved without a question; also when the host goes while the question is up, whatever the
// user answered to an earlier one.
TEST(Boxes, SessionEndOrHostGoneSavesTheTokenReplyUnasked) {
    enum End { kMainWindow, kTokenWindow, kHostGone, kGoneAfterCancel, kGoneAfterNo };
    for (const End end : {kMainWindow, kTokenWindow, kHostGone, kGoneAfterCancel, kGoneAfterNo}) {
        SCOPED_TRACE(end);
        UtilitySession session;
        ASSERT_TRUE(session.Start(host::kStartOnlyRequest));
        HWND form = OpenTokens(session);
        if (end >= kGoneAfterCancel) {
            // The user answered the question once (after No the host opens the window again),
            // closes the window again and leaves the question up.
            PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
            AnswerMessageBox(end == kGoneAfterCancel ? kCancel : 1);
            if (end == kGoneAfterNo && WaitForNoWindow(kTokenListClass)) form = OpenTokens(session);
            PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
            ASSERT_NE(WaitForWindow(kMessageFormClass), nullptr);
        }
        if (end >= kHostGone) {
            // Unless the host asked for the fast watchdog, its next tick comes within 5 s.
            EXPECT_TRUE(end != kHostGone || session.Send(host::kFastWatchdogRequest));
            session.DestroyHost();
        } else {
            const HWND target =
                end == kTokenWindow ? form : session.Link().UtilityWindow().value_or(nullptr);
            DWORD_PTR answer = 0;
            ASSERT_TRUE(
                SendMessageTimeoutW(target, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 1000, &answer));
            EXPECT_EQ(answer, TRUE);
            SendMessageTimeoutW(target, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, &answer);
        }
        EXPECT_TRUE(session.WaitForExit(6000));
        EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
    }
}

}  // namespace
}  // namespace kes::test
