#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <future>
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
bool Execute(std::string_view command, DdeCharset charset = DdeCharset::Ansi) {
    std::future<bool> acknowledged = std::async(std::launch::async, [&] {
        return DdeExecute(kService, kTopic, command, {.charset = charset});
    });
    test::WaitUntil(
        [&] { return acknowledged.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000);
    return acknowledged.get();
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

TEST_F(DdeServerTest, EveryKindOfClientReachesTheHandlerInUtf8ToTheDeclaredSize) {
    ExpectReceived(Execute(kCommand), kCommand, "DDEML, ANSI");
    ExpectReceived(Execute(kCommand, DdeCharset::Unicode), kCommand, "Unicode");
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kTopic));
    ExpectReceived(raw.ExecuteText(Utf8ToAnsi(kCommand)), kCommand, "raw messages, ANSI window");
    // Without a terminator ("0@5@", "5") the declared size ends the command.
    using namespace std::string_literals;
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {{"0@5@", "0@5@"}, {"5", "5"},
        {"0@5@\0007@"s, "0@5@"}, {"\0"s, ""}, {"-1@5@\0000@6@"s, "-1@5@"}};
    // clang-format on
    for (const auto& [bytes, command] : cases) ExpectReceived(raw.Execute(bytes), command);
    // A failing handler still acknowledges; a refusing one does not.
    throwFromHandler_ = true;
    ExpectReceived(Execute("garbage"), "garbage", "DDEML");
    ExpectReceived(raw.ExecuteText("garbage"), "garbage", "raw messages");
    throwFromHandler_ = false;
    refuse_ = true;
    EXPECT_FALSE(Execute("refused"));
}

TEST_F(DdeServerTest, OneServerPerProcessAndStopEndsTheService) {
    DdeServer second;
    EXPECT_FALSE(
        second.Start("KesUtilServerTest2", kTopic, [](const std::string&) { return true; }));
    EXPECT_FALSE(second.Running());
    server_.Stop();
    EXPECT_FALSE(server_.Running());
    EXPECT_FALSE(Execute("0@5@"));
    EXPECT_TRUE(received_.empty());
    // The slot is free again.
    ASSERT_TRUE(second.Start(kService, kTopic, [this](const std::string& c) {
        received_.push_back("second:" + c);
        return true;
    }));
    ExpectReceived(Execute("0@5@"), "second:0@5@");
}

}  // namespace
}  // namespace kes::win
