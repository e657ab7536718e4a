#include <gtest/gtest.h>

#include <string>

#include "e2e/RawDdeClient.h"
#include "e2e/UtilityProbe.h"
#include "support/Harness.h"

namespace kes::test {
namespace {

// Requests over DDE as the different kinds of hosts send them; character sets,
// declared sizes and terminators are DdeServer's, proven in its own test.
class DdeLink : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(session_.Start("-3@")); }
    UtilitySession session_;
};

std::string ConverterRequest(int offsetX) {
    return host::OpenRequest(kWindowConverter, "", 300, offsetX, 4500, 2400, false);
}
testing::AssertionResult ConverterAt(int offsetX) {
    return StandsAtRequest(WaitForToolWindow(kConverterClass, 2000), 300, offsetX, 4500, 2400);
}

TEST_F(DdeLink, RawMessageClientIsServedOnOneConversation) {
    RawDdeClient client;
    EXPECT_FALSE(client.Connect("KesUtil", "System"));
    EXPECT_FALSE(client.Connect("KesUtilX", "KesUtil_MSG"));
    ASSERT_TRUE(client.Connect("KesUtil", "KesUtil_MSG"));
    EXPECT_EQ(ProcessOf(client.Server()), session_.Link().ProcessId());
    EXPECT_TRUE(client.ExecuteText(ConverterRequest(4000)));
    EXPECT_TRUE(ConverterAt(4000));
    EXPECT_TRUE(client.ExecuteText(host::CloseRequest(kWindowConverter)));
    EXPECT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
    EXPECT_TRUE(client.Terminate()) << "the server answers the terminate";
}

TEST_F(DdeLink, EveryExecuteIsAcknowledgedEvenGarbage) {
    RawDdeClient raw;
    ASSERT_TRUE(raw.Connect("KesUtil", "KesUtil_MSG"));
    const std::string garbage[] = {
        "",
        "garbage",
        "@@@@@@@@@@",
        std::string("\x01\x02\xff\xfe@\x7f", 6),
        "0@5@" + std::string(40000, 'x') + "@1@2@3@4@True@",
        "99999999999999999999@5@",
    };
    for (const std::string& text : garbage) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_TRUE(session_.Send(text));
        EXPECT_TRUE(raw.ExecuteText(text));
        ASSERT_TRUE(session_.Running());
    }
    // Still serving.
    EXPECT_TRUE(session_.Send(host::CloseRequest(kWindowConverter)));
    EXPECT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
    EXPECT_TRUE(session_.Send("0@5@"));
    EXPECT_NE(WaitForToolWindow(kConverterClass, 2000), nullptr);
}

}  // namespace
}  // namespace kes::test
