#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/RawDdeClient.h"
#include "support/Harness.h"
#include "win/Dde.h"
#include "win/WinText.h"

namespace kes::win {
namespace {

using test::RawDdeClient;

constexpr const char* kService = "KesUtilServerTest";
constexpr const char* kTopic = "KesUtil_MSG";
// "0@1@Grüße µW@": text beyond ASCII that the ANSI code page can carry.
const std::string kCommand = "0@1@Gr\303\274\303\237e \302\265W@";

// The server lives on this thread; DDEML clients run on a thread of their own.
bool FromClientThread(const std::function<bool()>& client) {
    std::atomic<bool> done{false};
    bool result = false;
    std::thread worker([&] {
        result = client();
        done = true;
    });
    test::WaitUntil([&] { return done.load(); }, 10000);
    worker.join();
    return result;
}
bool Execute(std::string_view service, std::string_view topic, std::string_view command,
             DdeCharset charset = DdeCharset::Ansi) {
    return FromClientThread([&] {
        DdeExecuteOptions options;
        options.charset = charset;
        return DdeExecute(service, topic, command, options);
    });
}

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}
// A DDEML execute whose declared size is exactly the given bytes.
bool ExecuteBytes(std::string bytes) {
    return FromClientThread([&] {
        DWORD inst = 0;
        if (DdeInitializeA(&inst, &IgnoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
            return false;
        HSZ service = DdeCreateStringHandleA(inst, kService, CP_WINANSI);
        HSZ topic = DdeCreateStringHandleA(inst, kTopic, CP_WINANSI);
        bool acknowledged = false;
        if (HCONV conv = DdeConnect(inst, service, topic, nullptr)) {
            acknowledged = DdeClientTransaction(reinterpret_cast<BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size()), conv, nullptr,
                                                CF_TEXT, XTYP_EXECUTE, 3000, nullptr) != nullptr;
            DdeDisconnect(conv);
        }
        DdeFreeStringHandle(inst, service);
        DdeFreeStringHandle(inst, topic);
        DdeUninitialize(inst);
        return acknowledged;
    });
}

class DdeServerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start(kService, kTopic, [this](const std::string& command) {
            received_.push_back(command);
            if (throwFromHandler_) throw std::runtime_error("handler failed");
            return !refuse_;
        }));
    }
    // One client's execute reached the handler as exactly this command.
    void ExpectReceived(bool acknowledged, const std::string& command, const char* client = "") {
        EXPECT_TRUE(acknowledged) << client;
        EXPECT_EQ(received_, std::vector<std::string>{command}) << client;
        received_.clear();
    }

    DdeServer server_;
    std::vector<std::string> received_;
    bool throwFromHandler_ = false;
    bool refuse_ = false;
};

TEST_F(DdeServerTest, EveryKindOfClientReachesTheHandlerInUtf8) {
    ExpectReceived(Execute(kService, kTopic, kCommand), kCommand, "DDEML, ANSI");
    ExpectReceived(Execute(kService, kTopic, kCommand, DdeCharset::Unicode), kCommand, "Unicode");
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    ExpectReceived(raw.ExecuteText(Utf8ToAnsi(kCommand)), kCommand, "raw messages, ANSI window");
}

TEST_F(DdeServerTest, CommandIsReadToItsDeclaredSizeOrItsTerminator) {
    using namespace std::string_literals;
    // Without a terminator ("0@5@", "5") the declared size ends the command.
    const std::pair<std::string, std::string> cases[] = {
        {"0@5@", "0@5@"}, {"5", "5"}, {"0@5@\0007@"s, "0@5@"}, {"\0"s, ""}};
    for (const auto& [bytes, command] : cases)
        ExpectReceived(ExecuteBytes(bytes), command, bytes.c_str());
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    ExpectReceived(raw.Execute("-1@5@\0000@6@"s), "-1@5@");
}

TEST_F(DdeServerTest, FailingHandlerIsStillAcknowledgedARefusingOneIsNot) {
    throwFromHandler_ = true;
    ExpectReceived(Execute(kService, kTopic, "garbage"), "garbage", "DDEML");
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    ExpectReceived(raw.ExecuteText("garbage"), "garbage", "raw messages");
    throwFromHandler_ = false;
    refuse_ = true;
    EXPECT_FALSE(Execute(kService, kTopic, "refused"));
}

TEST_F(DdeServerTest, OneServerPerProcessAndStopEndsTheService) {
    DdeServer second;
    EXPECT_FALSE(
        second.Start("KesUtilServerTest2", kTopic, [](const std::string&) { return true; }));
    EXPECT_FALSE(second.Running());
    server_.Stop();
    EXPECT_FALSE(server_.Running());
    EXPECT_FALSE(Execute(kService, kTopic, "0@5@"));
    EXPECT_TRUE(received_.empty());
    // The slot is free again.
    ASSERT_TRUE(second.Start(kService, kTopic, [this](const std::string& c) {
        received_.push_back("second:" + c);
        return true;
    }));
    ExpectReceived(Execute(kService, kTopic, "0@5@"), "second:0@5@");
}

}  // namespace
}  // namespace kes::win
