#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/RawDdeClient.h"
#include "support/Harness.h"
#include "win/Dde.h"
#include "win/WinText.h"

namespace kes::win {
namespace {

constexpr const char* kService = "KesUtilServerTest";

TEST(DdeServerTest, RawClientsReachTheHandlerInUtf8ToTheDeclaredSize) {
    std::vector<std::string> received;
    bool refuse = false;
    DdeServer server;
    ASSERT_TRUE(server.Start(kService, kDdeTopic.data(), [&](const std::string& command) {
        received.push_back(command);
        return !refuse;
    }));
    // One client's execute reached the handler as exactly this command.
    const auto expectReceived = [&](bool acknowledged, const std::string& command) {
        EXPECT_TRUE(acknowledged) << command;
        EXPECT_EQ(received, std::vector<std::string>{command});
        received.clear();
    };
    // "0@1@Grüße µW@": text beyond ASCII that the ANSI code page can carry.
    const std::string text = "0@1@Gr\303\274\303\237e \302\265W@";
    test::RawDdeClient raw;
    ASSERT_TRUE(raw.Connect(kService, kDdeTopic.data()));
    expectReceived(raw.ExecuteText(Utf8ToAnsi(text)), text);
    // Without a terminator ("0@5@", "5") the declared size ends the command.
    using namespace std::string_literals;
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {{"0@5@", "0@5@"}, {"5", "5"},
        {"0@5@\0007@"s, "0@5@"}, {"\0"s, ""}, {"-1@5@\0000@6@"s, "-1@5@"}};
    // clang-format on
    for (const auto& [bytes, command] : cases) expectReceived(raw.Execute(bytes), command);
    // A refusing handler's command is not acknowledged. (The utility's own DDEML client is
    // served in every e2e test.)
    refuse = true;
    EXPECT_FALSE(raw.ExecuteText("refused"));
}

}  // namespace
}  // namespace kes::win
