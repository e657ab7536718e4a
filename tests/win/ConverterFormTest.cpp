#include <windows.h>

#include <string>
#include <tuple>

#include "win/FormFixture.h"

namespace kes::test {
namespace {

constexpr int kDbm = 0, kMw = 1, kVop = 2, kVrms = 3;

using Selection = std::pair<DWORD, DWORD>;

std::wstring Clipboard() {
    OpenClipboard(nullptr);
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    GlobalUnlock(data);
    CloseClipboard();
    return text;
}

class ConverterWindow : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_NE(form_ = OpenTool(kWindowConverter), nullptr);
    }
    HWND Item(int id) const { return GetDlgItem(form_, id); }
    std::string Text(int id) const { return win::GetText(Item(id)); }
    bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    Selection SelectionOf(int id) const {
        const LRESULT sel = SendMessageW(Item(id), EM_GETSEL, 0, 0);
        return {LOWORD(sel), HIWORD(sel)};
    }
    void Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0), Pump(0); }
    // The "50 ohms" and "1 ohm" boxes and the result.
    using S = std::tuple<bool, bool, std::string>;
    S State() const { return {Checked(kOhmCheckId), Checked(kOhmCheckId + 1), Text(kText2Id)}; }

    HWND form_ = nullptr;
};

TEST_F(ConverterWindow, ConvertsThroughEveryControlSelectingTheNumberAndReopensFresh) {
    // What is done, to which unit or resistance box, the text typed; then the "50 ohms" and
    // "1 ohm" boxes and the result. Every conversion is proven in the core: these rows prove the
    // wiring and the digits shown. A changed input or unit empties the result; a click on a box
    // repeats the last conversion, the keyboard changes only that box.
    enum Do { kType, kUnit, kTo, kBox, kSpace };
    // clang-format off
    const std::tuple<Do, int, const char*, S> steps[] = {
        {kTo, kVrms, "", {true, false, "223.606797749979e-3  Vrms"}},
        {kType, 0, " 12.50 ", {true, false, ""}}, {kTo, kDbm, "", {true, false, "12.5  dBm"}},
        {kUnit, kVrms, "", {true, false, ""}}, {kType, 0, "2", {true, false, ""}},
        {kBox, 1, "", {false, true, "36.0205999132796  dBm"}}, {kTo, kMw, "", {false, true, "4e+3  mW"}},
        {kBox, 0, "", {true, false, "80  mW"}}, {kBox, 0, "", {false, false, "4e+3  mW"}},
        {kBox, 0, "", {true, false, "80  mW"}}, {kSpace, 1, "", {true, true, "80  mW"}},
        {kUnit, kVop, "", {true, true, ""}}, {kType, 0, "0", {true, true, ""}},
        {kTo, kDbm, "", {true, true, ""}}};
    // clang-format on
    for (const auto& [what, arg, text, after] : steps) {
        SCOPED_TRACE(testing::Message() << what << " " << arg << " " << text);
        if (what == kType) win::SetText(Item(kText1Id), text);
        if (what == kUnit) Click(kOption1Id + arg);
        if (what == kTo) Click(kdBmButtonId + arg);
        if (what == kBox) PostMouseClick(Item(kOhmCheckId + arg));
        if (what == kSpace) PostKey(Item(kOhmCheckId + arg), VK_SPACE);
        Pump(0);
        EXPECT_EQ(State(), after);
        const std::string result = std::get<2>(after);
        if (what != kTo || result.empty()) continue;
        // The number is selected and copied, its unit is not.
        EXPECT_EQ(SelectionOf(kText2Id), (Selection{0, static_cast<DWORD>(result.find(' '))}));
        EXPECT_EQ(GetFocus(), Item(kText2Id));
        Click(kCopyButtonId);
        EXPECT_EQ(Clipboard(), win::Widen(result.substr(0, result.find(' '))));
    }
    // 0 of a linear unit has no dBm: the input is selected.
    EXPECT_EQ(GetFocus(), Item(kText1Id));
    EXPECT_EQ(SelectionOf(kText1Id), (Selection{0, 1}));
    const HWND old = form_;
    ASSERT_NE(form_ = OpenTool(kWindowConverter), nullptr);
    ASSERT_NE(form_, old);
    EXPECT_EQ(Text(kText1Id), "0");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Checked(kOption1Id + i), i == kDbm) << i;
    EXPECT_EQ(State(), S(true, false, ""));
    EXPECT_NE(GetActiveWindow(), form_);
    // The last conversion target is not carried over: a resistance click converts to dBm.
    PostMouseClick(Item(kOhmCheckId + 1));
    Pump(0);
    EXPECT_EQ(Text(kText2Id), "0  dBm");
}

TEST_F(ConverterWindow, EscapeClosesFromEveryKindOfControl) {
    for (int id : {kText1Id, kText2Id, kCopyButtonId, kOhmCheckId, kOption1Id, -kText1Id}) {
        SCOPED_TRACE(id);
        if (!IsWindow(form_)) form_ = OpenTool(kWindowConverter);
        ASSERT_NE(form_, nullptr);
        // Last, the character 27 on its own.
        if (id < 0) PostMessageW(Item(-id), WM_CHAR, 27, 1);
        if (id > 0) PostKey(Item(id), VK_ESCAPE);
        Pump(0);
        EXPECT_FALSE(IsWindow(form_));
        EXPECT_FALSE(converterForm);
    }
}

TEST_F(ConverterWindow, EnterNormalisesAndInvalidInputIsReportedOnceWithTheFaultSelected) {
    // The Enter key, the character 13 on its own (Ctrl+M, or one posted by a tool), or a
    // conversion button. The evaluator stops at the end of "1+": the last character is marked.
    enum Way { kKey, kChar, kButton };
    // clang-format off
    const std::tuple<const char*, Way, const char*, Selection> cases[] = {
        {"1000", kKey, "1e+3", {0, 0}}, {"2000", kChar, "2e+3", {0, 0}},
        {"12abc", kButton, nullptr, {2, 5}}, {"12abc", kKey, nullptr, {2, 5}},
        {"1+", kButton, nullptr, {1, 2}}};
    // clang-format on
    for (const auto& [input, way, normalised, selection] : cases) {
        SCOPED_TRACE(testing::Message() << input << " way " << way);
        AnswerBoxes answer(ClickButton(0));
        win::SetText(Item(kText1Id), input);
        SendMessageW(Item(kText1Id), EM_SETSEL, 4, 4);
        if (way == kKey) PostKey(Item(kText1Id), VK_RETURN);
        if (way == kChar) PostMessageW(Item(kText1Id), WM_CHAR, 13, 1);
        if (way == kButton) PostMessageW(Item(kdBmButtonId + kMw), BM_CLICK, 0, 0);
        Pump(300);
        EXPECT_EQ(answer.Count(), normalised ? 0 : 1) << "one keystroke, one message";
        EXPECT_EQ(Text(kText1Id), normalised ? normalised : input);
        EXPECT_EQ(SelectionOf(kText1Id), selection);
        EXPECT_TRUE(normalised || GetFocus() == Item(kText1Id));
        EXPECT_EQ(Text(kText2Id), "");
    }
}

}  // namespace
}  // namespace kes::test
