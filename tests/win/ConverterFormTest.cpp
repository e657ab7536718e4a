#include <windows.h>
#include <commctrl.h>

#include <string>
#include <tuple>
#include <vector>

#include "win/FormFixture.h"

namespace kes::test {
namespace {

constexpr int kDbm = 0, kMw = 1, kVop = 2, kVrms = 3;

using Selection = std::pair<DWORD, DWORD>;

// The clipboard's text.
std::wstring Clipboard() {
    if (!OpenClipboard(nullptr)) return L"<busy>";
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
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
    void Click(int id) const {
        SendMessageW(Item(id), BM_CLICK, 0, 0);
        Pump(0);
    }
    // A real mouse click on a resistance box; its MouseUp repeats the last conversion.
    void MouseClick(int id, UINT down = WM_LBUTTONDOWN) const {
        PostMouseClick(Item(id), down);
        Pump(0);
    }
    // Source unit and resistance as the user would set them, then the input.
    void Prepare(std::string_view input, int source, bool fiftyOhms) const {
        if (Checked(kOhmCheckId) != fiftyOhms) Click(kOhmCheckId + (fiftyOhms ? 0 : 1));
        Click(kOption1Id + source);
        win::SetText(Item(kText1Id), input);
    }
    // The "50 ohms" and "1 ohm" boxes and the result.
    using S = std::tuple<bool, bool, std::string>;
    S State() const { return {Checked(kOhmCheckId), Checked(kOhmCheckId + 1), Text(kText2Id)}; }
    void ExpectDesigned() const {
        EXPECT_EQ(Text(kText1Id), "0");
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Checked(kOption1Id + i), i == kDbm) << i;
        EXPECT_EQ(State(), S(true, false, ""));
    }

    HWND form_ = nullptr;
};

TEST_F(ConverterWindow, ConvertsSelectingTheNumberButNotZeroOfALinearUnitToDbm) {
    // Every conversion is proven in the core; these rows prove the wiring.
    // clang-format off
    const std::tuple<const char*, int, bool, int, const char*> rows[] = {
        {"0", kDbm, true, kVrms, "223.606797749979e-3  Vrms"}, {"1", kVrms, false, kDbm, "30  dBm"},
        {" 12.50 ", kDbm, true, kDbm, "12.5  dBm"}};
    // clang-format on
    for (const auto& [input, source, fiftyOhms, target, expected] : rows) {
        SCOPED_TRACE(input);
        Prepare(input, source, fiftyOhms);
        ASSERT_EQ(Text(kText2Id), "");
        Click(kdBmButtonId + target);
        const std::string result = Text(kText2Id);
        EXPECT_EQ(result, expected);
        // The number is selected, its unit is not.
        EXPECT_EQ(SelectionOf(kText2Id), (Selection{0, static_cast<DWORD>(result.find(' '))}));
        EXPECT_EQ(GetFocus(), Item(kText2Id));
        // Copy takes the number without its unit.
        Click(kCopyButtonId);
        EXPECT_EQ(Clipboard(), win::Widen(result.substr(0, result.find(' '))));
    }
    EXPECT_EQ(Text(kText1Id), "12.5") << "the input box holds the normalised text";
    // A changed input or source unit empties the result: nothing to copy.
    win::SetText(Item(kText1Id), "5");
    EXPECT_EQ(Text(kText2Id), "");
    Click(kCopyButtonId);
    EXPECT_EQ(Clipboard(), L"12.5");
    for (int source : {kMw, kVop, kVrms}) {
        SCOPED_TRACE(source);
        Prepare("0", source, true);
        Click(kdBmButtonId + kDbm);
        EXPECT_EQ(Text(kText2Id), "");
        EXPECT_EQ(GetFocus(), Item(kText1Id));
        EXPECT_EQ(SelectionOf(kText1Id), (Selection{0, 1}));
        Click(kdBmButtonId + kMw);
        EXPECT_EQ(Text(kText2Id), "0  mW");
    }
    Click(kOption1Id + kVop);
    EXPECT_EQ(Text(kText2Id), "");
    // A push on the unit already chosen, a click or its access key, keeps the result.
    for (const bool altB : {false, true}) {
        Prepare("0", kDbm, true);
        Click(kdBmButtonId + kMw);
        ASSERT_EQ(Text(kText2Id), "1  mW");
        if (altB) PostMessageW(Item(kText2Id), WM_SYSCHAR, 'b', 1 << 29);
        if (!altB) Click(kOption1Id + kDbm);
        Pump(0);
        EXPECT_EQ(Text(kText2Id), "1  mW") << altB;
    }
    EXPECT_EQ(GetFocus(), Item(kOption1Id)) << "Alt+B went to d&Bm";
}

TEST_F(ConverterWindow, EscapeClosesFromEveryControl) {
    std::vector<int> ids = {
        kText1Id,    kText2Id,       kCopyButtonId, kCloseButtonId, kConverterCalcButtonId,
        kOhmCheckId, kOhmCheckId + 1};
    for (int i = 0; i < 4; ++i) ids.insert(ids.end(), {kOption1Id + i, kdBmButtonId + i});
    ids.push_back(-kText1Id);  // last, the character 27 on its own
    for (int id : ids) {
        SCOPED_TRACE(id);
        if (!IsWindow(form_)) form_ = OpenTool(kWindowConverter);
        ASSERT_NE(form_, nullptr);
        if (id < 0)
            PostMessageW(Item(-id), WM_CHAR, 27, 1);
        else
            PostKey(Item(id), VK_ESCAPE);
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
        std::string message;
        AnswerBoxes answer(ClickButton(0, &message));
        win::SetText(Item(kText1Id), input);
        SendMessageW(Item(kText1Id), EM_SETSEL, 4, 4);
        if (way == kKey)
            PostKey(Item(kText1Id), VK_RETURN);
        else if (way == kChar)
            PostMessageW(Item(kText1Id), WM_CHAR, 13, 1);
        else
            PostMessageW(Item(kdBmButtonId + kMw), BM_CLICK, 0, 0);
        Pump(300);
        EXPECT_EQ(answer.Count(), normalised ? 0 : 1) << "one keystroke, one message";
        EXPECT_EQ(message, normalised ? "" : input + std::string("\r\n\r\n") + kInvalidValueText);
        EXPECT_EQ(Text(kText1Id), normalised ? normalised : input);
        EXPECT_EQ(SelectionOf(kText1Id), selection);
        EXPECT_TRUE(normalised || GetFocus() == Item(kText1Id));
        EXPECT_EQ(Text(kText2Id), "");
    }
}

TEST_F(ConverterWindow, ResistanceBoxesActAsAPairAndAnyButtonsReleaseRepeatsTheConversion) {
    Click(kOption1Id + kVrms);
    win::SetText(Item(kText1Id), "1");
    // No conversion yet: the repetition converts to dBm.
    MouseClick(kOhmCheckId + 1);
    EXPECT_EQ(State(), S(false, true, "30  dBm"));
    Click(kdBmButtonId + kMw);
    EXPECT_EQ(Text(kText2Id), "1e+3  mW");
    MouseClick(kOhmCheckId);
    EXPECT_EQ(State(), S(true, false, "20  mW"));
    // Clearing "50 ohms" as well leaves 1 ohm.
    MouseClick(kOhmCheckId);
    EXPECT_EQ(State(), S(false, false, "1e+3  mW"));
    // The keyboard changes a box without touching the other or the result.
    MouseClick(kOhmCheckId);
    PostKey(Item(kOhmCheckId + 1), VK_SPACE);
    Pump(0);
    EXPECT_EQ(State(), S(true, true, "20  mW"));
    for (const UINT down : {WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SCOPED_TRACE(down);
        SendMessageW(Item(kOhmCheckId + 1), BM_SETCHECK, BST_UNCHECKED, 0);
        Click(kdBmButtonId + kMw);
        ASSERT_EQ(Text(kText2Id), "20  mW");
        MouseClick(kOhmCheckId + 1, down);
        EXPECT_FALSE(Checked(kOhmCheckId));
        EXPECT_EQ(Text(kText2Id), "1e+3  mW");
        SendMessageW(Item(kOhmCheckId), BM_SETCHECK, BST_CHECKED, 0);
    }
}

TEST_F(ConverterWindow, EveryOpenStartsAsDesignedTopmostAtTheAnchor) {
    ExpectDesigned();
    Prepare("7", kMw, false);
    Click(kdBmButtonId + kVop);
    ASSERT_EQ(Text(kText2Id), "118.321595661992e-3  Vo-p");
    const HWND old = form_;
    ASSERT_NE(form_ = OpenTool(kWindowConverter), nullptr);
    EXPECT_FALSE(IsWindow(old));
    ExpectDesigned();
    EXPECT_TRUE(IsTopmost(form_));
    EXPECT_NE(GetActiveWindow(), form_);
    EXPECT_TRUE(StandsAtRequest(form_, kOffsetY, kOffsetX, kTop, kLeft));
    // The last conversion target is not carried over: a resistance click converts to dBm.
    MouseClick(kOhmCheckId + 1);
    EXPECT_EQ(Text(kText2Id), "0  dBm");
}

BOOL CALLBACK CollectTooltip(HWND w, LPARAM list) {
    wchar_t name[64] = L"";
    GetClassNameW(w, name, 64);
    if (std::wstring(name) == TOOLTIPS_CLASSW)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

// Tooltips are made when the pointer first comes over the window, once.
TEST_F(ConverterWindow, TooltipsComeWithThePointer) {
    const auto tooltips = [] {
        std::vector<HWND> found;
        EnumThreadWindows(GetCurrentThreadId(), &CollectTooltip, reinterpret_cast<LPARAM>(&found));
        return found;
    };
    EXPECT_TRUE(tooltips().empty());
    for (const int id : {kCopyButtonId, kText1Id}) {
        const HWND control = Item(id);
        SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        const auto made = tooltips();
        ASSERT_EQ(made.size(), 1u) << id;
        EXPECT_EQ(SendMessageW(made[0], TTM_GETTOOLCOUNT, 0, 0), 2);
    }
    SendMessageW(form_, WM_CLOSE, 0, 0);
    Pump(0);
    EXPECT_TRUE(tooltips().empty());
}

}  // namespace
}  // namespace kes::test
