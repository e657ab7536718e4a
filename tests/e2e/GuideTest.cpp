// The raw-DDE sample of the integrator's guide, as the guide prints it, against
// the real utility: two requests in one conversation.
#include <gtest/gtest.h>

#include "RawDdeSample.cpp"  // taken from docs/host-integration.md by the build
#include "support/Harness.h"

namespace kes::test {
namespace {

TEST(Guide, RawDdeSampleOpensTheConverterAndTheHelpWindowInOneConversation) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(std::string(host::kStartOnlyRequest)));
    const std::string help =
        host::OpenRequest(kWindowFunctionList, "", 300, 9000, 4500, 8400, false);
    EXPECT_TRUE(SendToKesUtil({kConverterRequest.c_str(), help.c_str()}));
    EXPECT_NE(FindVisible(kConverterClass), nullptr) << "open once acknowledged";
    EXPECT_NE(WaitForWindow(kHelpClass, kParserFunctionListCaption), nullptr);
}

}  // namespace
}  // namespace kes::test
