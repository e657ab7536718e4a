#include <gtest/gtest.h>

#include "forms/TokenListForm.h"
#include "support/Harness.h"

namespace kes::test {
namespace {

TEST(TokenList, HostGoingAwayStillGetsTheReply) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(
        host::OpenRequest(kWindowTokenList, "3~Gone~1~3~5~", 300, 9000, 4200, 8400, false)));
    HWND form = WaitForWindow(kTokenListClass, "Gone Tokens");
    ASSERT_TRUE(form && WaitUntil([&] { return GetDlgItem(form, kCnvrtButtonId) != nullptr; }));
    SendMessageW(GetDlgItem(form, kTokenListBoxId), LB_SETSEL, TRUE, 2);
    ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
    session.DestroyHost();
    ASSERT_TRUE(session.WaitForExit(5000));
    EXPECT_EQ(session.Reply().value_or("none"), "3~3~5~");
}

}  // namespace
}  // namespace kes::test
