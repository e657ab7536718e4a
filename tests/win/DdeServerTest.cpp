#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "e2e/RawDdeClient.h"
#include "support/Harness.h"
#include "win/Dde.h"
#include "win/WinText.h"

namespace kes::win {
namespace {

using test::RawDdeClient;

constexpr const char* kService = "KesUtilServerTest";
constexpr const char* kTopic = "KesUtil_MSG";
// "0@1@Grüße µW@": text beyond ASCII that the ANSI code page can carry.
const std::string kCommand =
    "0@1@Gr\xc3\xbc\xc3\x9f"
    "e \xc2\xb5W@";

// The server lives on this thread; DDEML clients run on a thread of their own
// while this one serves.
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

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// A DDEML execute whose declared size the test chooses.
bool ExecuteBytes(const std::string& bytes) {
    DWORD inst = 0;
    if (DdeInitializeA(&inst, &IgnoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ service = DdeCreateStringHandleA(inst, kService, CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(inst, kTopic, CP_WINANSI);
    bool acknowledged = false;
    if (HCONV conv = DdeConnect(inst, service, topic, nullptr)) {
        std::string data = bytes;
        acknowledged = DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()),
                                            static_cast<DWORD>(data.size()), conv, nullptr, CF_TEXT,
                                            XTYP_EXECUTE, 3000, nullptr) != nullptr;
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(inst, service);
    DdeFreeStringHandle(inst, topic);
    DdeUninitialize(inst);
    return acknowledged;
}

class DdeServerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start(kService, kTopic, [this](const std::string& command) {
            received_.push_back(command);
            if (throwFromHandler_) throw std::runtime_error("handler failed");
        }));
    }

    DdeServer server_;
    std::vector<std::string> received_;
    bool throwFromHandler_ = false;
};

TEST_F(DdeServerTest, EveryKindOfClientReachesTheHandlerInUtf8) {
    struct Case {
        const char* name;
        std::function<bool()> send;
    };
    const Case cases[] = {
        {"DDEML, ANSI",
         [] { return FromClientThread([] { return DdeExecute(kService, kTopic, kCommand); }); }},
        {"DDEML, Unicode",
         [] {
             return FromClientThread([] {
                 DdeExecuteOptions options;
                 options.charset = DdeCharset::Unicode;
                 return DdeExecute(kService, kTopic, kCommand, options);
             });
         }},
        {"raw messages, ANSI window",
         [] {
             RawDdeClient client;
             return client.Connect(kService, kTopic) &&
                    client.ExecuteText(Utf8ToAnsi(kCommand)).accepted;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        received_.clear();
        EXPECT_TRUE(c.send());
        EXPECT_EQ(received_, std::vector<std::string>{kCommand});
    }
}

TEST_F(DdeServerTest, CommandIsReadToItsDeclaredSizeAndNoFurther) {
    struct Case {
        std::string bytes;
        std::string command;
    };
    const Case cases[] = {
        {"0@5@", "0@5@"},  // no terminator
        {"5", "5"},        // one character, no terminator
        {std::string("0@5@\0"
                     "7@",
                     7),
         "0@5@"},  // nothing behind the terminator
        {std::string("\0", 1), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        received_.clear();
        EXPECT_TRUE(FromClientThread([&] { return ExecuteBytes(c.bytes); }));
        EXPECT_EQ(received_, std::vector<std::string>{c.command});
    }
    // A raw client's block: the terminator ends the command.
    received_.clear();
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    EXPECT_TRUE(raw.Execute(std::string("-1@5@\0"
                                        "0@6@",
                                        10))
                    .accepted);
    EXPECT_EQ(received_, std::vector<std::string>{"-1@5@"});
}

TEST_F(DdeServerTest, FailingHandlerIsStillAcknowledged) {
    throwFromHandler_ = true;
    EXPECT_TRUE(FromClientThread([] { return DdeExecute(kService, kTopic, "garbage"); }));
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    const test::RawDdeResult r = raw.ExecuteText("garbage");
    EXPECT_TRUE(r.answered && r.accepted);
    EXPECT_EQ(received_.size(), 2u);
}

TEST_F(DdeServerTest, OtherTopicsAndServicesFindNoServer) {
    EXPECT_FALSE(FromClientThread([] { return DdeExecute(kService, "System", "0@5@"); }));
    EXPECT_FALSE(FromClientThread([] { return DdeExecute("KesUtilNoSuch", kTopic, "0@5@"); }));
    RawDdeClient raw;
    EXPECT_FALSE(raw.Connect(kService, "Other"));
    EXPECT_TRUE(received_.empty());
}

TEST_F(DdeServerTest, OneServerPerProcessAndStopEndsTheService) {
    DdeServer second;
    EXPECT_FALSE(second.Start("KesUtilServerTest2", kTopic, [](const std::string&) {}));
    EXPECT_FALSE(second.Running());
    server_.Stop();
    EXPECT_FALSE(server_.Running());
    EXPECT_FALSE(FromClientThread([] { return DdeExecute(kService, kTopic, "0@5@"); }));
    EXPECT_TRUE(received_.empty());
    // The slot is free again.
    ASSERT_TRUE(second.Start(kService, kTopic,
                             [this](const std::string& c) { received_.push_back("second:" + c); }));
    EXPECT_TRUE(FromClientThread([] { return DdeExecute(kService, kTopic, "0@5@"); }));
    EXPECT_EQ(received_, std::vector<std::string>{"second:0@5@"});
}

}  // namespace
}  // namespace kes::win
