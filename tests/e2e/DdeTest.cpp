#include <gtest/gtest.h>

#include <string>

#include "support/Harness.h"
#include "support/RawDdeClient.h"

namespace kes::test {
namespace {

// Requests over DDE from another process as older hosts send them; character
// sets, declared sizes and terminators are DdeServer's, proven in its own test.
TEST(DdeLink, RawMessageClientIsServedAndEveryExecuteIsAcknowledgedEvenGarbage) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(host::kStartOnlyRequest));
    RawDdeClient client;
    EXPECT_FALSE(client.Connect("KesUtil", "System"));
    EXPECT_FALSE(client.Connect("KesUtilX", "KesUtil_MSG"));
    ASSERT_TRUE(client.Connect("KesUtil", "KesUtil_MSG"));
    EXPECT_EQ(ProcessOf(client.Server()), session.Link().ProcessId());
    EXPECT_TRUE(
        client.ExecuteText(host::OpenRequest(kWindowConverter, "", 300, 4000, 4500, 2400, false)));
    EXPECT_TRUE(StandsAtRequest(WaitForWindow(kConverterClass), 300, 4000, 4500, 2400));
    // clang-format off
    const std::string garbage[] = {"", "garbage", "@@@@@@@@@@", "\x01\x02\xff\xfe@\x7f",
        "0@5@" + std::string(40000, 'x') + "@1@2@3@4@True@", "99999999999999999999@5@"};
    // clang-format on
    for (const std::string& text : garbage) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_TRUE(session.Send(text));
        EXPECT_TRUE(client.ExecuteText(text));
        ASSERT_TRUE(session.Running());
    }
    // Still serving, on the same conversation.
    EXPECT_TRUE(client.ExecuteText(host::CloseRequest(kWindowConverter)));
    EXPECT_TRUE(WaitForNoWindow(kConverterClass, 2000));
    EXPECT_TRUE(client.Terminate()) << "the server answers the terminate";
}

}  // namespace
}  // namespace kes::test
