#include <windows.h>
#include <commctrl.h>

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
    // What is done, to which unit or resistance box, the text typed (else the input expected
    // after); then the "50 ohms" and "1 ohm" boxes and the result. Every conversion is proven in
    // the core: these rows prove the wiring and the digits shown. A changed input or unit empties
    // the result; a click on a box repeats the last conversion, the keyboard changes only that
    // box. Enter, the character 13 on its own (Ctrl+M, or one posted by a tool) or a conversion
    // button normalises the input, or reports it invalid once.
    enum Do { kType, kUnit, kTo, kBox, kSpace, kAlt, kEnter, kCtrlM };
    // clang-format off
    const std::tuple<Do, int, const char*, S> steps[] = {
        {kType, 0, "1000", {true, false, ""}}, {kEnter, 0, "1e+3", {true, false, ""}},
        {kType, 0, "2000", {true, false, ""}}, {kCtrlM, 0, "2e+3", {true, false, ""}},
        {kType, 0, "12abc", {true, false, ""}}, {kEnter, 0, "12abc", {true, false, ""}},
        {kType, 0, "1+", {true, false, ""}}, {kTo, kMw, "1+", {true, false, ""}},
        {kType, 0, "0", {true, false, ""}},
        {kTo, kVrms, "", {true, false, "223.606797749979e-3  Vrms"}},
        {kType, 0, " 12.50 ", {true, false, ""}}, {kTo, kDbm, "12.5", {true, false, "12.5  dBm"}},
        {kUnit, kVrms, "", {true, false, ""}}, {kType, 0, "2", {true, false, ""}},
        {kBox, 1, "", {false, true, "36.0205999132796  dBm"}},
        {kTo, kMw, "", {false, true, "4e+3  mW"}}, {kBox, 0, "", {true, false, "80  mW"}},
        {kBox, 0, "", {false, false, "4e+3  mW"}}, {kBox, 0, "", {true, false, "80  mW"}},
        {kSpace, 1, "", {true, true, "80  mW"}}, {kUnit, kVrms, "", {true, true, "80  mW"}},
        {kAlt, 's', "", {true, true, "80  mW"}}, {kUnit, kVop, "", {true, true, ""}},
        {kType, 0, "0", {true, true, ""}}, {kTo, kDbm, "", {true, true, ""}}};
    // clang-format on
    AnswerBoxes invalid(ClickButton(0));
    for (const auto& [what, arg, text, after] : steps) {
        SCOPED_TRACE(testing::Message() << what << " " << arg << " " << text);
        if (what == kType) win::SetText(Item(kText1Id), text);
        if (what == kUnit) Click(kOption1Id + arg);
        if (what == kTo) Click(kdBmButtonId + arg);
        if (what == kBox) PostMouseClick(Item(kOhmCheckId + arg));
        if (what == kSpace) PostKey(Item(kOhmCheckId + arg), VK_SPACE);
        // The access key of the unit already chosen: the focus goes there, the result stays.
        if (what == kAlt) PostMessageW(Item(kText2Id), WM_SYSCHAR, arg, 1 << 29);
        if (what == kEnter) PostKey(Item(kText1Id), VK_RETURN);
        if (what == kCtrlM) PostMessageW(Item(kText1Id), WM_CHAR, 13, 1);
        Pump(what >= kEnter ? 300 : 0);
        EXPECT_EQ(State(), after);
        EXPECT_TRUE(what != kAlt || GetFocus() == Item(kOption1Id + kVrms));
        EXPECT_TRUE(what == kType || !*text || Text(kText1Id) == text) << Text(kText1Id);
        const std::string result = std::get<2>(after);
        if (what != kTo || result.empty()) continue;
        // The number is selected and copied, its unit is not.
        EXPECT_EQ(SelectionOf(kText2Id), (Selection{0, static_cast<DWORD>(result.find(' '))}));
        EXPECT_EQ(GetFocus(), Item(kText2Id));
        Click(kCopyButtonId);
        EXPECT_EQ(Clipboard(), win::Widen(result.substr(0, result.find(' '))));
    }
    EXPECT_EQ(invalid.Count(), 2) << "one message for each invalid input";
    // 0 of a linear unit has no dBm: the input is selected.
    EXPECT_EQ(GetFocus(), Item(kText1Id));
    EXPECT_EQ(SelectionOf(kText1Id), (Selection{0, 1}));
    const HWND old = form_;
    ASSERT_NE(form_ = OpenTool(kWindowConverter), old);
    EXPECT_EQ(Text(kText1Id), "0");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Checked(kOption1Id + i), i == kDbm) << i;
    EXPECT_EQ(State(), S(true, false, ""));
    EXPECT_NE(GetActiveWindow(), form_);
    const int tabStops[] = {kText1Id,         kOption1Id,       kdBmButtonId,
                            kdBmButtonId + 1, kdBmButtonId + 2, kdBmButtonId + 3,
                            kCloseButtonId,   kCopyButtonId,    kOhmCheckId,
                            kOhmCheckId + 1,  kText2Id,         kConverterCalcButtonId};
    for (int i = 0; i < 12; ++i)  // Tab goes round them in this order
        EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(form_, Item(tabStops[i]), FALSE)),
                  tabStops[(i + 1) % 12]);
    // The last conversion target is not carried over: a resistance click converts to dBm.
    PostMouseClick(Item(kOhmCheckId + 1));
    Pump(0);
    EXPECT_EQ(Text(kText2Id), "0  dBm");
    // The tooltips come with the pointer.
    SendMessageW(form_, WM_SETCURSOR, reinterpret_cast<WPARAM>(form_), HTCLIENT);
    for (const auto& [id, tip] : {std::pair{kCopyButtonId, L"Copy Results to Clipboard"},
                                  std::pair{kConverterCalcButtonId, L"Calculator"}}) {
        wchar_t text[64] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool, tool.hwnd = form_, tool.lpszText = text;
        tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
        SendMessageW(FindWindowW(TOOLTIPS_CLASSW, nullptr), TTM_GETTEXTW, 64,
                     reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(text, tip);
    }
}

}  // namespace
}  // namespace kes::test
