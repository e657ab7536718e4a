// Faults from outside: a misbehaving host library, a host or DDE client that
// stalls or vanishes, requests at awkward moments, Windows ending the session
// (odd host handles are the watchdog's). Each leaves the utility serving, or
// ending as it should.
#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/HostContract.h"
#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
#include "support/RawDdeClient.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

namespace fs = std::filesystem;

HWND WaitForControl(HWND parent, int id) {
    HWND control = nullptr;
    WaitUntil([&] { return parent && (control = GetDlgItem(parent, id)) != nullptr; });
    return control;
}
// The utility's message box ("Kestrelsim"), once its first button exists.
HWND WaitForMessageBox() {
    const HWND box = WaitForWindow(nullptr, kAppName);
    return box ? (WaitForControl(box, kMsgFirstButtonId), box) : nullptr;
}
// Its text, then button `index` is clicked and the box waited out.
std::string AnswerMessageBox(int index) {
    const HWND box = WaitForMessageBox();
    const std::string text = win::GetText(GetDlgItem(box, kMsgTextId));
    PostMessageW(GetDlgItem(box, kMsgFirstButtonId + index), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

const std::string& kConverter = kConverterRequest;
const std::string kHelp = host::OpenRequest(kWindowFunctionList, "", 300, 9000, 4500, 8400, false);

// A window whose thread stops pumping once it exists: a hung host. Release()
// lets the thread go on to destroy it.
class StalledWindow {
  public:
    StalledWindow() {
        thread_ = std::thread([this] {
            hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr);
            SetEvent(ready_);
            WaitForSingleObject(release_, 30000);
            DestroyWindow(hwnd_);
        });
        WaitForSingleObject(ready_, 5000);
    }
    ~StalledWindow() {
        Release();
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    void Release() {
        SetEvent(release_);
        if (thread_.joinable()) thread_.join();
    }
    HWND Hwnd() const { return hwnd_; }

  private:
    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND hwnd_ = nullptr;
    std::thread thread_;
};

// A raw DDE client in conversation with the utility's own server.
bool Connected(RawDdeClient& client, UtilitySession& session) {
    return client.Connect(kDdeService.data(), kDdeTopic.data()) &&
           ProcessOf(client.Server()) == session.Link().ProcessId();
}

TEST(Fault, BadHostLibraryOrLeftoverReplyNeverBreaksTheConverterNorRequestsUnderItsBoxes) {
    // Beside KesUtil.exe the fake library or none; the input; the result, or (nullptr) the
    // invalid-value box and then the selection.
    // clang-format off
    const std::tuple<std::string, const char*, const char*, DWORD, DWORD> rows[] = {
        {"fakeeval", "nan", "0", 0, 0}, {"fakeeval", "inf", "0", 0, 0},
        {"fakeeval", "-inf", "0", 0, 0}, {"fakeeval", "r-1003", nullptr, 3, 6},
        {"fakeeval", "r-999", nullptr, 4, 5}, {"fakeeval", "r-1999", nullptr, 5, 6},
        {"fakeeval", "r-5000", nullptr, 0, 6}, {"fakeeval", "r0", nullptr, 0, 2},
        {"fakeeval", "r-2147483648", nullptr, 0, 12}, {"nolibrary", "5", nullptr, 0, 1}};
    // clang-format on
    std::string folder;
    std::optional<UtilitySession> session;
    HWND text1 = nullptr;
    for (const auto& [rowFolder, input, result, selStart, selEnd] : rows) {
        SCOPED_TRACE(rowFolder + " " + input);
        if (folder != rowFolder) {
            folder = rowFolder;
            const fs::path dir = fs::path(BinDir()) / folder;
            fs::create_directories(dir);
            // Removed first: mingw's copy_file keeps an older copy in place even with
            // overwrite_existing. A copy left running by an earlier run stays.
            std::error_code inUse;
            fs::remove(dir / "KesUtil.exe", inUse);
            fs::copy_file(fs::path(BinDir()) / "KesUtil.exe", dir / "KesUtil.exe", inUse);
            session.reset();
            session.emplace((dir / "KesUtil.exe").wstring());
            // A huge reply left over from an earlier run is dropped and the start goes on.
            win::SettingsStore().Save(kSectionMessages, kListMessageValue,
                                      std::string(100000, '7'));
            ASSERT_TRUE(session->Start(kConverter));
            ASSERT_NE(text1 = WaitForControl(WaitForWindow(kConverterClass), kText1Id), nullptr);
            EXPECT_FALSE(session->Reply().has_value());
        }
        win::SetText(text1, input);
        PostMessageW(text1, WM_CHAR, 13, 0);
        if (result) {
            EXPECT_TRUE(WaitUntil([&] { return win::GetText(text1) == result; }, 3000));
            EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        } else {
            EXPECT_EQ(AnswerMessageBox(0), std::string(input) + "\r\n\r\n" + kInvalidValueText);
            EXPECT_TRUE(WaitUntil([&] {
                return SendMessageW(text1, EM_GETSEL, 0, 0) == MAKELONG(selStart, selEnd);
            }));
        }
        EXPECT_TRUE(session->Running());
    }
    // Requests are served while a box or the token window's question is up.
    win::SetText(text1, "5x");
    PostMessageW(text1, WM_CHAR, 13, 0);
    ASSERT_NE(WaitForMessageBox(), nullptr);
    EXPECT_TRUE(session->Send(kHelp));
    const HWND help = WaitForWindow(kHelpClass, kParserFunctionListCaption);
    EXPECT_FALSE(IsWindowEnabled(help)) << "a window opened under a box waits for it";
    EXPECT_NE(AnswerMessageBox(0).find(kInvalidValueText), std::string::npos);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(help) != FALSE; }));
    ASSERT_TRUE(
        session->Send(host::OpenRequest(kWindowTokenList, "3~Ask~1~3~5~", 0, 0, 0, 0, false)));
    const HWND list = WaitForControl(WaitForWindow(kTokenListClass, "Ask Tokens"), kTokenListBoxId);
    SendMessageW(list, LB_SETSEL, TRUE, 2);
    PostMessageW(GetParent(list), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_NE(WaitForMessageBox(), nullptr);
    EXPECT_TRUE(session->Send(host::CloseRequest(kWindowFunctionList)));
    EXPECT_TRUE(WaitForNoWindow(kHelpClass));
    AnswerMessageBox(0);
    EXPECT_TRUE(WaitUntil([&] { return session->Reply().has_value(); }));
}

// Each box gives the keyboard back to the window the user raised it from, with the focus where
// it was, and not to the host's window: the next key typed lands in the tool window.
TEST(Fault, EveryBoxHandsTheKeyboardBackToTheWindowItCameFrom) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(kConverter));
    const HWND converter = WaitForWindow(kConverterClass),
               text1 = WaitForControl(converter, kText1Id);
    ASSERT_TRUE(
        session.Send(host::OpenRequest(kWindowTokenList, "3~Keys~1~3~5~", 0, 0, 0, 0, false)));
    const HWND tokens = WaitForWindow(kTokenListClass, "Keys Tokens");
    SendMessageW(WaitForControl(tokens, kTokenListBoxId), LB_SETSEL, TRUE, 2);
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
        AnswerMessageBox(window == tokens ? 2 : 0);
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
        EXPECT_EQ(focusOf(window), focus);
        if (message != WM_CHAR) continue;
        // A key typed now replaces the fault that the invalid-value box marked.
        SendInput(2, keys, sizeof keys[0]);
        EXPECT_TRUE(WaitUntil([&] { return win::GetText(text1) == "5z"; }));
    }
}

TEST(Fault, StalledHostHoldsUpNoStartOrRequest) {
    UtilitySession session;
    StalledWindow host;
    session.Link().PublishHostWindow(host.Hwnd());
    ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
    // Requests come from second starts. This process owns the stalled window:
    // the harness's own DDEML connect would wait on it until it is released.
    ASSERT_TRUE(RunToEnd(kConverter, 8000).ended);
    EXPECT_NE(WaitForWindow(kConverterClass), nullptr);
    ASSERT_TRUE(RunToEnd(host::kFastWatchdogRequest, 8000).ended);
    Pump(300);  // some 30 watchdog ticks on the stalled window
    ASSERT_TRUE(RunToEnd(host::CloseRequest(kWindowConverter), 8000).ended);
    EXPECT_TRUE(WaitForNoWindow(kConverterClass));
    EXPECT_TRUE(session.Running());
    host.Release();
    EXPECT_TRUE(session.WaitForExit(1000));
}

// Requests over DDE from another process as older hosts send them; character sets, declared
// sizes and terminators are DdeServer's, proven in its own test.
TEST(Fault, RawDdeClientIsServedThroughGarbageAndAVanishedClientOrBadExecuteBlock) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
    RawDdeClient first;
    EXPECT_FALSE(first.Connect("KesUtil", "System"));
    EXPECT_FALSE(first.Connect("KesUtilX", "KesUtil_MSG"));
    ASSERT_TRUE(Connected(first, session));
    EXPECT_TRUE(first.ExecuteText(kConverter));
    EXPECT_TRUE(StandsAtRequest(WaitForWindow(kConverterClass), 300, 4000, 4500, 2400));
    // Every execute is acknowledged, even garbage.
    // clang-format off
    const std::string garbage[] = {"", "garbage", "@@@@@@@@@@", "\x01\x02\xff\xfe@\x7f",
        "0@5@" + std::string(40000, 'x') + "@1@2@3@4@True@", "99999999999999999999@5@"};
    // clang-format on
    for (const std::string& text : garbage) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_TRUE(session.Send(text));
        EXPECT_TRUE(first.ExecuteText(text));
        ASSERT_TRUE(session.Running());
    }
    // Still serving, on the same conversation.
    EXPECT_TRUE(first.ExecuteText(host::CloseRequest(kWindowConverter)));
    EXPECT_TRUE(WaitForNoWindow(kConverterClass, 2000));
    EXPECT_TRUE(first.Terminate()) << "the server answers the terminate";
    for (const int kind : {0, 1, 2}) {  // gone without terminate, freed block, foreign value
        SCOPED_TRACE(kind);
        RawDdeClient client;
        ASSERT_TRUE(Connected(client, session));
        if (kind > 0) {
            HGLOBAL block = RawDdeClient::Block(kConverter);
            if (kind == 1) GlobalFree(block);
            client.Post(kind == 1 ? block : reinterpret_cast<HGLOBAL>(UINT_PTR{0x5A5A5A50}));
            Pump(300);
        }
        client.Vanish();
        EXPECT_TRUE(session.Send(kHelp));
        EXPECT_NE(WaitForWindow(kHelpClass, kParserFunctionListCaption), nullptr);
        EXPECT_TRUE(session.Send(host::CloseRequest(kWindowFunctionList)));
        EXPECT_TRUE(WaitForNoWindow(kHelpClass));
    }
}

// However the utility ends under a token window with other tokens selected, the reply is
// saved without a question; also when the host goes while the question is up, whatever the
// user answered to an earlier one.
TEST(Fault, SessionEndOrHostGoneSavesTheTokenReplyUnaskedAndIgnoresLateRequests) {
    enum End { kMainWindow, kTokenWindow, kHostGone, kGoneAfterCancel, kGoneAfterNo };
    for (const End end : {kMainWindow, kTokenWindow, kHostGone, kGoneAfterCancel, kGoneAfterNo}) {
        SCOPED_TRACE(end);
        UtilitySession session;
        const std::string open =
            host::OpenRequest(kWindowTokenList, "3~End~1~3~5~", 0, 0, 0, 0, false);
        const auto opened = [] {
            const HWND form = WaitForWindow(kTokenListClass, "End Tokens");
            EXPECT_NE(WaitForControl(form, kCnvrtButtonId), nullptr);
            SendMessageW(GetDlgItem(form, kTokenListBoxId), LB_SETSEL, TRUE, 2);
            return form;
        };
        ASSERT_TRUE(session.Start(open));
        HWND form = opened();
        if (end >= kGoneAfterCancel) {
            // The user answered the question once (after No the host opens the window again),
            // closes the window again and leaves the question up.
            PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
            AnswerMessageBox(end == kGoneAfterCancel ? 2 : 1);
            if (end == kGoneAfterNo && WaitForNoWindow(kTokenListClass) && session.Send(open))
                form = opened();
            PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
            ASSERT_NE(WaitForMessageBox(), nullptr);
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
            // A request queued just before the walk begins: acknowledged, not carried out.
            RawDdeClient client;
            ASSERT_TRUE(Connected(client, session));
            client.Post(RawDdeClient::Block(kConverter));
            SendMessageTimeoutW(target, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, &answer);
            client.Vanish();
        }
        EXPECT_TRUE(session.WaitForExit(6000));
        EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
        EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
    }
}

// With KESUTIL_LOG set, each request that does nothing says why on a line of its own.
TEST(Fault, DiagnosticLogGivesEachRequestThatDoesNothingItsLine) {
    const fs::path log = fs::temp_directory_path() / "kesutil-diag.log";
    fs::remove(log);
    SetEnvironmentVariableW(L"KESUTIL_LOG", log.c_str());  // the utility inherits it
    UtilitySession session;
    ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
    SetEnvironmentVariableW(L"KESUTIL_LOG", nullptr);
    EXPECT_TRUE(session.Send("x@5@"));
    RawDdeClient unicode(true), client;
    ASSERT_TRUE(Connected(unicode, session));
    const std::wstring utf16 = win::Widen(kConverter);
    EXPECT_TRUE(unicode.Execute({reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2}));
    // While a long token list loads, a request and the session's end queue up: the walk
    // closes the list, which lets the request run.
    std::string tokens = "1~Many~";
    for (int i = 0; i < 3000; ++i) tokens += "1 Token~";
    ASSERT_TRUE(Connected(client, session));
    client.Post(
        RawDdeClient::Block(host::OpenRequest(kWindowTokenList, tokens, 0, 0, 0, 0, false)));
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(kTokenListClass, nullptr) != nullptr; }));
    client.Post(RawDdeClient::Block(kHelp));
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(*session.Link().UtilityWindow(), WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 10000,
                        &answer);
    client.Vanish();
    ASSERT_TRUE(session.WaitForExit(6000));
    std::ifstream in(log, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    for (const std::string& line :
         {std::string("request from DDE \"x@5@\": code -2000, not a request"),
          "DDE execute of " + std::to_string(utf16.size() * 2) + " bytes, read up to its first",
          "request from DDE \"" + kHelp + "\": code 0, ignored while shutting down"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

}  // namespace
}  // namespace kes::test
