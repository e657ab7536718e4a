#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <string>

#include "e2e/RawDdeClient.h"
#include "e2e/UtilityProbe.h"
#include "support/Harness.h"
#include "win/Dde.h"

namespace kes::test {
namespace {

using host::OpenRequest;

// Requests over DDE as the different kinds of hosts send them.
class DdeLink : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(session_.Start("-3@")); }

    testing::AssertionResult ConverterAt(int offsetX, int left) {
        return StandsAtAnchor(WaitForToolWindow(kConverterClass, 2000), AnchorX(offsetX, left),
                              AnchorY(300, 4500));
    }

    UtilitySession session_;
};

std::string ConverterRequest(int offsetX, int left) {
    return OpenRequest(host::kConverter, "", 300, offsetX, 4500, left, false);
}

TEST_F(DdeLink, RawMessageClientIsServedOnOneConversation) {
    RawDdeClient client;
    ASSERT_TRUE(client.Connect("KesUtil", "KesUtil_MSG"));
    DWORD pid = 0;
    GetWindowThreadProcessId(client.Server(), &pid);
    EXPECT_EQ(pid, session_.Link().ProcessId());

    RawDdeResult r = client.ExecuteText(ConverterRequest(4000, 2400));
    EXPECT_TRUE(r.answered && r.accepted);
    EXPECT_TRUE(ConverterAt(4000, 2400));
    r = client.ExecuteText(host::CloseRequest(host::kConverter));
    EXPECT_TRUE(r.answered && r.accepted);
    EXPECT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
    EXPECT_TRUE(client.Terminate()) << "the server answers the terminate";
}

TEST_F(DdeLink, RawClientOfAnotherTopicFindsNoServer) {
    RawDdeClient client;
    EXPECT_FALSE(client.Connect("KesUtil", "System"));
    EXPECT_FALSE(client.Connect("KesUtilX", "KesUtil_MSG"));
}

TEST_F(DdeLink, RawClientCommandEndsAtItsTerminator) {
    RawDdeClient client;
    ASSERT_TRUE(client.Connect("KesUtil", "KesUtil_MSG"));
    ASSERT_TRUE(client.ExecuteText(ConverterRequest(4000, 2400)).accepted);
    ASSERT_TRUE(ConverterAt(4000, 2400));
    // Behind the terminator the block holds fields 3 to 8 of another place.
    std::string block = "0@5@";
    block += '\0';
    block += "@300@6000@4500@1500@False@";
    EXPECT_TRUE(client.Execute(block).accepted);
    EXPECT_TRUE(ConverterAt(4000, 2400)) << "bytes behind the terminator were read";
}

TEST_F(DdeLink, UnicodeDdemlClientIsServed) {
    win::DdeExecuteOptions unicode;
    unicode.charset = win::DdeCharset::Unicode;
    EXPECT_TRUE(win::DdeExecute("KesUtil", "KesUtil_MSG", ConverterRequest(5000, 2400), unicode));
    EXPECT_TRUE(ConverterAt(5000, 2400));
}

// A DDEML client that declares the exact size of its data, with or without
// the terminator.
HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

bool ExecuteSized(std::string_view command, bool withTerminator) {
    DWORD inst = 0;
    if (DdeInitializeA(&inst, &IgnoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ service = DdeCreateStringHandleA(inst, "KesUtil", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(inst, "KesUtil_MSG", CP_WINANSI);
    bool acknowledged = false;
    if (HCONV conv = DdeConnect(inst, service, topic, nullptr)) {
        std::string data(command);
        const DWORD size = static_cast<DWORD>(data.size() + (withTerminator ? 1 : 0));
        acknowledged =
            DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()), size, conv, nullptr, CF_TEXT,
                                 XTYP_EXECUTE, 3000, nullptr) != nullptr;
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(inst, service);
    DdeFreeStringHandle(inst, topic);
    DdeUninitialize(inst);
    return acknowledged;
}

TEST_F(DdeLink, CommandWithoutTerminatorIsReadToItsDeclaredEnd) {
    ASSERT_TRUE(ExecuteSized(ConverterRequest(4000, 1500), true));
    ASSERT_TRUE(ConverterAt(4000, 1500));
    // Field 7 is the last one and its "@" the last byte: losing that byte
    // would leave the left at 1500.
    EXPECT_TRUE(ExecuteSized("0@5@@300@4000@4500@2400@", false));
    EXPECT_TRUE(ConverterAt(4000, 2400));
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
        const RawDdeResult r = raw.ExecuteText(text);
        EXPECT_TRUE(r.answered && r.accepted);
        ASSERT_TRUE(session_.Running());
    }
    // Still serving.
    EXPECT_TRUE(session_.Send(host::CloseRequest(host::kConverter)));
    EXPECT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
    EXPECT_TRUE(session_.Send("0@5@"));
    EXPECT_NE(WaitForToolWindow(kConverterClass, 2000), nullptr);
}

}  // namespace
}  // namespace kes::test
