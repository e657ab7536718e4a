// Faults from outside: odd settings, a misbehaving host library, a host or
// DDE client that stalls or vanishes, requests at awkward moments, Windows
// ending the session. Each leaves the utility serving, or ending as it should.
#include <windows.h>
#include <dde.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/HostContract.h"
#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "support/Harness.h"
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
std::string WindowText(HWND hwnd) {
    return win::GetText(hwnd);
}
void SetWindowTextUtf8(HWND hwnd, std::string_view text) {
    const std::wstring wide = win::Widen(text);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}
void PostChar(HWND hwnd, wchar_t c) {
    PostMessageW(hwnd, WM_CHAR, c, 0);
}
// The utility's message box ("Kestrelsim"), once its first button exists.
HWND WaitForMessageBox() {
    const HWND box = WaitForWindow(nullptr, kAppName);
    return box ? (WaitForControl(box, kMsgFirstButtonId), box) : nullptr;
}
// Its text, then button `index` is clicked and the box waited out.
std::string AnswerMessageBox(int index) {
    const HWND box = WaitForMessageBox();
    if (!box) return "<no message box>";
    const std::string text = WindowText(GetDlgItem(box, kMsgTextId));
    PostMessageW(GetDlgItem(box, kMsgFirstButtonId + index), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

const std::string kConverter =
    host::OpenRequest(kWindowConverter, "", 300, 4000, 4500, 2400, false);
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

// A raw DDE client window on this thread; remembers who acknowledged its initiate.
HWND g_ddeServer = nullptr;
LRESULT CALLBACK RawClientProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DDE_ACK && !g_ddeServer) g_ddeServer = reinterpret_cast<HWND>(wp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}
HWND RawClientWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &RawClientProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KesFaultDdeClient";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           wc.hInstance, nullptr);
}
// Initiates for `client` (which may belong to another thread) with each window
// of the utility; the answering server.
HWND RawInitiate(HWND client, DWORD utility) {
    g_ddeServer = nullptr;
    for (HWND w = GetTopWindow(nullptr); w && !g_ddeServer; w = GetWindow(w, GW_HWNDNEXT)) {
        if (ProcessOf(w) != utility) continue;
        const ATOM app = GlobalAddAtomW(win::Widen(kDdeService).c_str());
        const ATOM topic = GlobalAddAtomW(win::Widen(kDdeTopic).c_str());
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(w, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client),
                            MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, 3000, &ignored);
        GlobalDeleteAtom(app);
        GlobalDeleteAtom(topic);
    }
    return g_ddeServer;
}
HGLOBAL CommandBlock(std::string_view text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, text.size() + 1);
    if (void* p = GlobalLock(block)) {
        std::memcpy(p, text.data(), text.size());
        GlobalUnlock(block);
    }
    return block;
}
void PostExecute(HWND server, HWND client, HGLOBAL block) {
    PostMessageW(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client),
                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block)));
}

HWND UtilityMain(UtilitySession& session) {
    return session.Link().UtilityWindow().value_or(nullptr);
}

TEST(Fault, OddHostHandleEndsAtTheFirstTickUnlessItNamesAWindow) {
    const std::vector<std::string> values = {"host", "-5", "1099511627776", std::string(32000, '9'),
                                             ""};  // "": a window of this process, then gone
    for (const std::string& value : values) {
        SCOPED_TRACE(value.substr(0, 20));
        UtilitySession session;
        const HWND other = value.empty() ? CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0,
                                                           nullptr, nullptr, nullptr, nullptr)
                                         : nullptr;
        const std::string published =
            other ? std::to_string(reinterpret_cast<INT_PTR>(other)) : value;
        win::SettingsStore().Save(kSectionMisc, kHostWndValue, published);
        ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
        ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
        if (other) {
            Pump(300);
            EXPECT_TRUE(session.Running());
            DestroyWindow(other);
        }
        EXPECT_TRUE(session.WaitForExit(2500));
        EXPECT_EQ(win::SettingsStore().Get(kSectionMisc, kScrollbarValue), kNoRegistryData);
    }
}

TEST(Fault, HugeLeftoverReplyIsDroppedAndTheStartGoesOn) {
    UtilitySession session;
    win::SettingsStore().Save(kSectionMessages, kListMessageValue, std::string(100000, '7'));
    ASSERT_TRUE(session.Start(kConverter));
    EXPECT_NE(WaitForWindow(kConverterClass), nullptr);
    EXPECT_FALSE(session.Reply().has_value());
}

TEST(Fault, MisbehavingOrMissingHostLibraryNeverBreaksTheConverter) {
    struct Row {
        const char* folder;  // beside KesUtil.exe: the fake library, or none
        const char* input;
        const char* result;  // nullptr: the invalid-value box, then the selection
        DWORD selStart, selEnd;
    };
    const Row rows[] = {
        {"fakeeval", "nan", "0", 0, 0},
        {"fakeeval", "inf", "0", 0, 0},
        {"fakeeval", "-inf", "0", 0, 0},
        {"fakeeval", "r-1003", nullptr, 3, 6},
        {"fakeeval", "r-999", nullptr, 4, 5},
        {"fakeeval", "r-1999", nullptr, 5, 6},
        {"fakeeval", "r-5000", nullptr, 0, 6},
        {"fakeeval", "r0", nullptr, 0, 2},
        {"fakeeval", "r-2147483648", nullptr, 0, 12},
        {"nolibrary", "5", nullptr, 0, 1},
    };
    std::string folder;
    std::optional<UtilitySession> session;
    HWND text1 = nullptr;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.folder) + " " + row.input);
        if (folder != row.folder) {
            folder = row.folder;
            const fs::path dir = fs::path(BinDir()) / row.folder;
            fs::create_directories(dir);
            std::error_code inUse;  // a copy left running by an earlier run stays
            fs::copy_file(fs::path(BinDir()) / "KesUtil.exe", dir / "KesUtil.exe",
                          fs::copy_options::overwrite_existing, inUse);
            session.reset();
            session.emplace((dir / "KesUtil.exe").wstring());
            ASSERT_TRUE(session->Start(kConverter));
            ASSERT_NE(text1 = WaitForControl(WaitForWindow(kConverterClass), kText1Id), nullptr);
        }
        SetWindowTextUtf8(text1, row.input);
        PostChar(text1, 13);
        if (row.result) {
            EXPECT_TRUE(WaitUntil([&] { return WindowText(text1) == row.result; }, 3000));
            EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        } else {
            EXPECT_EQ(AnswerMessageBox(0), std::string(row.input) + "\r\n\r\n" + kInvalidValueText);
            EXPECT_TRUE(WaitUntil([&] {
                return SendMessageW(text1, EM_GETSEL, 0, 0) == MAKELONG(row.selStart, row.selEnd);
            }));
        }
        EXPECT_TRUE(session->Running());
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

TEST(Fault, VanishedClientOrBadExecuteBlockLeavesTheServerServing) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
    for (const int kind : {0, 1, 2}) {  // gone without terminate, freed block, foreign value
        SCOPED_TRACE(kind);
        const HWND client = RawClientWindow();
        const HWND server = RawInitiate(client, session.Link().ProcessId());
        ASSERT_NE(server, nullptr);
        if (kind > 0) {
            HGLOBAL block = CommandBlock(kConverter);
            if (kind == 1) GlobalFree(block);
            PostExecute(server, client,
                        kind == 1 ? block : reinterpret_cast<HGLOBAL>(UINT_PTR{0x5A5A5A50}));
            Pump(300);
        }
        DestroyWindow(client);
        EXPECT_TRUE(session.Send(kHelp));
        EXPECT_NE(WaitForWindow(kHelpClass, kParserFunctionListCaption), nullptr);
        EXPECT_TRUE(session.Send(host::CloseRequest(kWindowFunctionList)));
        EXPECT_TRUE(WaitForNoWindow(kHelpClass));
    }
}

TEST(Fault, RequestWhileABoxOrTheQuestionIsUpIsServed) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(kConverter));
    const HWND text1 = WaitForControl(WaitForWindow(kConverterClass), kText1Id);
    SetWindowTextUtf8(text1, "5x");
    PostChar(text1, 13);
    ASSERT_NE(WaitForMessageBox(), nullptr);
    EXPECT_TRUE(session.Send(kHelp));
    EXPECT_NE(WaitForWindow(kHelpClass, kParserFunctionListCaption), nullptr);
    EXPECT_NE(AnswerMessageBox(0).find(kInvalidValueText), std::string::npos);
    // The token window's question on closing.
    ASSERT_TRUE(
        session.Send(host::OpenRequest(kWindowTokenList, "3~Ask~1~3~5~", 0, 0, 0, 0, false)));
    const HWND list = WaitForControl(WaitForWindow(kTokenListClass, "Ask Tokens"), kTokenListBoxId);
    SendMessageW(list, LB_SETSEL, TRUE, 2);
    PostMessageW(GetParent(list), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_NE(WaitForMessageBox(), nullptr);
    EXPECT_TRUE(session.Send(host::CloseRequest(kWindowFunctionList)));
    EXPECT_TRUE(WaitForNoWindow(kHelpClass));
    AnswerMessageBox(0);
    EXPECT_TRUE(WaitUntil([&] { return session.Reply().has_value(); }));
}

TEST(Fault, SessionEndSavesTheTokenReplyUnaskedAndIgnoresLateRequests) {
    for (const bool toTokenWindow : {false, true}) {
        SCOPED_TRACE(toTokenWindow ? "token window" : "main window");
        UtilitySession session;
        ASSERT_TRUE(
            session.Start(host::OpenRequest(kWindowTokenList, "3~End~1~3~5~", 0, 0, 0, 0, false)));
        const HWND form = WaitForWindow(kTokenListClass, "End Tokens");
        ASSERT_NE(WaitForControl(form, kCnvrtButtonId), nullptr);
        SendMessageW(GetDlgItem(form, kTokenListBoxId), LB_SETSEL, TRUE, 2);
        const HWND target = toTokenWindow ? form : UtilityMain(session);
        DWORD_PTR answer = 0;
        ASSERT_TRUE(
            SendMessageTimeoutW(target, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 1000, &answer));
        EXPECT_EQ(answer, TRUE);
        // A request queued just before the walk begins: acknowledged, not carried out.
        const HWND client = RawClientWindow();
        const HWND server = RawInitiate(client, session.Link().ProcessId());
        ASSERT_NE(server, nullptr);
        PostExecute(server, client, CommandBlock(kConverter));
        SendMessageTimeoutW(target, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, &answer);
        EXPECT_TRUE(session.WaitForExit(6000));
        EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
        EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        DestroyWindow(client);
    }
}

}  // namespace
}  // namespace kes::test
