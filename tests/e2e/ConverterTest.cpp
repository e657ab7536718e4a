#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

using host::OpenRequest;

constexpr int kOffsetY = 300, kOffsetX = 4000, kTop = 4200, kLeft = 8400;
constexpr int kDbm = 0, kMw = 1, kVop = 2, kVrms = 3;

std::string OpenConverter() {
    return OpenRequest(kWindowConverter, "", kOffsetY, kOffsetX, kTop, kLeft, false);
}

struct Selection {
    DWORD start = 0, end = 0;
    bool operator==(const Selection&) const = default;
};

Selection SelectionOf(HWND edit) {
    Selection s;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s.start),
                 reinterpret_cast<LPARAM>(&s.end));
    return s;
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// The converter window of a running utility, driven through its controls.
class Converter {
  public:
    explicit Converter(HWND form = nullptr) : form_(form) {}
    HWND Form() const { return form_; }
    HWND Item(int id) const { return GetDlgItem(form_, id); }
    HWND Text1() const { return Item(kText1Id); }
    HWND Text2() const { return Item(kText2Id); }
    HWND Option(int i) const { return Item(kOption1Id + i); }
    HWND Ohm(int i) const { return Item(kOhmCheckId + i); }
    HWND Target(int i) const { return Item(kdBmButtonId + i); }

    // Everything posted to the window before this has been handled once it returns.
    void Sync() const {
        static WPARAM marker = 40000;
        ++marker;
        PostMessageW(Text2(), EM_SETLIMITTEXT, marker, 0);
        WaitUntil([&] { return SendMessageW(Text2(), EM_GETLIMITTEXT, 0, 0) == LRESULT(marker); });
    }

    // Source unit and resistance as the user would set them, then the input.
    void Prepare(std::string_view input, int source, bool fiftyOhms) const {
        if (IsChecked(Ohm(0)) != fiftyOhms) SendMessageW(Ohm(fiftyOhms ? 0 : 1), BM_CLICK, 0, 0);
        SendMessageW(Option(source), BM_CLICK, 0, 0);
        SetWindowTextUtf8(Text1(), input);
    }

    // Presses a "Convert to" button and waits until it has run.
    void ConvertTo(int target) const {
        PostClick(Target(target));
        Sync();
    }

  private:
    HWND form_;
};

// Waits for a converter window other than `old` with all its controls.
Converter WaitForConverter(HWND old = nullptr) {
    HWND form = nullptr;
    const std::wstring caption = win::Widen(kConverterCaption);
    WaitUntil([&] {
        form = FindWindowW(nullptr, caption.c_str());
        return form && form != old && IsWindowVisible(form);
    });
    if (form == old) return Converter();
    WaitForControl(form, kConverterCalcButtonId);
    return Converter(form);
}

class ConverterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(session_.Start(OpenConverter()));
        converter_ = WaitForConverter();
        ASSERT_NE(converter_.Form(), nullptr);
    }

    UtilitySession session_;
    Converter converter_;
};

TEST_F(ConverterTest, ConvertsTheLevelTableThroughTheWindow) {
    struct Row {
        const char* input;
        int source;
        bool fiftyOhms;
        int target;
        const char* result;
    };
    const Row rows[] = {
        {"0", kDbm, true, kMw, "1  mW"},
        {"0", kDbm, true, kVrms, "223.606797749979e-3  Vrms"},
        {"0", kDbm, true, kVop, "316.227766016838e-3  Vo-p"},
        {"1", kVrms, true, kDbm, "13.0102999566398  dBm"},
        {"1", kVrms, false, kDbm, "30  dBm"},
        {"1", kVop, true, kDbm, "10  dBm"},
        {"100", kMw, false, kDbm, "20  dBm"},
        {"-30", kDbm, false, kMw, "1e-3  mW"},
        {"1", kVop, true, kVrms, "707.106781186548e-3  Vrms"},
        {"1", kVrms, true, kVop, "1.4142135623731  Vo-p"},
        {"2", kVrms, false, kMw, "4e+3  mW"},
        // Levels without a value in the target unit show zero.
        {"-1", kMw, true, kDbm, "0  dBm"},
        {"-1", kMw, true, kVrms, "0  Vrms"},
        {" 12.50 ", kDbm, true, kDbm, "12.5  dBm"},
    };
    const Converter& c = converter_;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.input) + " to unit " + std::to_string(row.target));
        c.Prepare(row.input, row.source, row.fiftyOhms);
        ASSERT_EQ(WindowText(c.Text2()), "");
        c.ConvertTo(row.target);
        const std::string result = WindowText(c.Text2());
        EXPECT_EQ(result, row.result);
        // The number is selected, its unit is not.
        const DWORD numberLength = static_cast<DWORD>(result.find(' '));
        EXPECT_EQ(SelectionOf(c.Text2()), (Selection{0, numberLength}));
        EXPECT_EQ(FocusOf(c.Form()), c.Text2());
    }
    // The input box holds the normalised text.
    EXPECT_EQ(WindowText(c.Text1()), "12.5");
}

TEST_F(ConverterTest, ZeroInALinearUnitIsNotConvertedToDbm) {
    const Converter& c = converter_;
    for (int source : {kMw, kVop, kVrms}) {
        SCOPED_TRACE(source);
        c.Prepare("0", source, true);
        PostMessageW(c.Text1(), EM_SETSEL, 0, 0);
        c.ConvertTo(kDbm);
        EXPECT_EQ(WindowText(c.Text2()), "");
        EXPECT_EQ(FocusOf(c.Form()), c.Text1());
        EXPECT_EQ(SelectionOf(c.Text1()), (Selection{0, 1}));
        // The same zero has a value in the other units.
        c.ConvertTo(kMw);
        EXPECT_EQ(WindowText(c.Text2()), "0  mW");
    }
}

TEST_F(ConverterTest, EnterNormalisesTheInputWithoutConverting) {
    const Converter& c = converter_;
    // The Enter key, and the character 13 on its own (Ctrl+M, or one posted by a tool).
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey);
        SetWindowTextUtf8(c.Text1(), byKey ? "1000" : "2000");
        PostMessageW(c.Text1(), EM_SETSEL, 4, 4);
        if (byKey)
            PostKey(c.Text1(), VK_RETURN);
        else
            PostChar(c.Text1(), 13);
        c.Sync();
        EXPECT_EQ(WindowText(c.Text1()), byKey ? "1e+3" : "2e+3");
        EXPECT_EQ(SelectionOf(c.Text1()), (Selection{0, 0}));
        EXPECT_EQ(WindowText(c.Text2()), "");
    }
}

TEST_F(ConverterTest, InvalidInputIsReportedAndTheFaultSelected) {
    const Converter& c = converter_;
    struct Case {
        const char* input;
        bool byEnter;
        Selection fault;
    } cases[] = {
        {"12abc", false, {2, 5}},
        {"12abc", true, {2, 5}},
        // The evaluator stops at the end of the text: the last character is marked.
        {"1+", false, {1, 2}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.input);
        SetWindowTextUtf8(c.Text1(), k.input);
        if (k.byEnter) {
            PostKey(c.Text1(), VK_RETURN);
        } else {
            PostClick(c.Target(kMw));
        }
        EXPECT_EQ(AnswerMessageBox(0),
                  std::string(k.input) + "\r\n\r\nThe above value is invalid.");
        c.Sync();
        // One keystroke, one message.
        EXPECT_EQ(FindWindowW(nullptr, L"Kestrelsim"), nullptr);
        EXPECT_EQ(WindowText(c.Text1()), k.input);
        EXPECT_EQ(SelectionOf(c.Text1()), k.fault);
        EXPECT_EQ(FocusOf(c.Form()), c.Text1());
        EXPECT_EQ(WindowText(c.Text2()), "");
    }
}

TEST(Converter, WithoutTheHostLibraryOnlyHexadecimalLiteralsAreRead) {
    // KesUtil.exe alone, started from a folder that does hold the library:
    // the library must not be taken from the current directory.
    namespace fs = std::filesystem;
    const fs::path lonely = fs::temp_directory_path() / "kes-converter-alone";
    fs::create_directories(lonely);
    fs::copy_file(fs::path(BinDir()) / "KesUtil.exe", lonely / "KesUtil.exe",
                  fs::copy_options::overwrite_existing);
    ASSERT_FALSE(fs::exists(lonely / "kesGen32.dll"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(BinDir().c_str());
    {
        UtilitySession session((lonely / "KesUtil.exe").wstring());
        ASSERT_TRUE(session.Start(OpenConverter()));
        const Converter c = WaitForConverter();
        ASSERT_NE(c.Form(), nullptr);
        SetWindowTextUtf8(c.Text1(), "5");
        PostClick(c.Target(kMw));
        EXPECT_EQ(AnswerMessageBox(0), "5\r\n\r\nThe above value is invalid.");
        c.Sync();
        EXPECT_EQ(SelectionOf(c.Text1()), (Selection{0, 1}));
        SetWindowTextUtf8(c.Text1(), "&H10");
        c.ConvertTo(kMw);
        EXPECT_EQ(WindowText(c.Text2()), "39.8107170553497  mW");
    }
    SetCurrentDirectoryW(previous);
}

TEST(Converter, EscapeClosesTheWindowFromEveryControl) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(OpenConverter()));
    std::vector<int> ids = {kText1Id, kText2Id, kCopyButtonId, kCloseButtonId,
                            kConverterCalcButtonId};
    for (int i = 0; i < 4; ++i) ids.insert(ids.end(), {kOption1Id + i, kdBmButtonId + i});
    ids.insert(ids.end(), {kOhmCheckId, kOhmCheckId + 1});
    // Last, the character 27 on its own.
    ids.push_back(-kText1Id);
    HWND old = nullptr;
    for (int id : ids) {
        SCOPED_TRACE(id);
        if (old) {
            ASSERT_TRUE(session.Send(OpenConverter()));
        }
        const Converter c = WaitForConverter(old);
        ASSERT_NE(c.Form(), nullptr);
        if (id < 0)
            PostChar(c.Item(-id), 27);
        else
            PostKey(c.Item(id), VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(c.Form()); }, 3000));
        old = c.Form();
    }
}

TEST_F(ConverterTest, ResistanceBoxesActAsAPairAndRepeatTheLastConversion) {
    const Converter& c = converter_;
    SendMessageW(c.Option(kVrms), BM_CLICK, 0, 0);
    SetWindowTextUtf8(c.Text1(), "1");
    // No conversion yet: the repetition converts to dBm.
    PostMouseClick(c.Ohm(1));
    c.Sync();
    EXPECT_TRUE(IsChecked(c.Ohm(1)));
    EXPECT_FALSE(IsChecked(c.Ohm(0)));
    EXPECT_EQ(WindowText(c.Text2()), "30  dBm");

    c.ConvertTo(kMw);
    EXPECT_EQ(WindowText(c.Text2()), "1e+3  mW");
    PostMouseClick(c.Ohm(0));
    c.Sync();
    EXPECT_TRUE(IsChecked(c.Ohm(0)));
    EXPECT_FALSE(IsChecked(c.Ohm(1)));
    EXPECT_EQ(WindowText(c.Text2()), "20  mW");
    // Clearing "50 ohms" as well leaves 1 ohm.
    PostMouseClick(c.Ohm(0));
    c.Sync();
    EXPECT_FALSE(IsChecked(c.Ohm(0)));
    EXPECT_FALSE(IsChecked(c.Ohm(1)));
    EXPECT_EQ(WindowText(c.Text2()), "1e+3  mW");

    // The keyboard changes a box without touching the other or the result.
    PostMouseClick(c.Ohm(0));
    c.Sync();
    EXPECT_EQ(WindowText(c.Text2()), "20  mW");
    PostKey(c.Ohm(1), VK_SPACE);
    c.Sync();
    EXPECT_TRUE(IsChecked(c.Ohm(1)));
    EXPECT_TRUE(IsChecked(c.Ohm(0)));
    EXPECT_EQ(WindowText(c.Text2()), "20  mW");

    // The release of any mouse button counts, not only the left one's.
    for (const UINT down : {WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SCOPED_TRACE(down);
        SendMessageW(c.Ohm(1), BM_SETCHECK, BST_UNCHECKED, 0);
        c.ConvertTo(kMw);
        ASSERT_EQ(WindowText(c.Text2()), "20  mW");
        PostMouseClick(c.Ohm(1), down);
        c.Sync();
        EXPECT_FALSE(IsChecked(c.Ohm(0)));
        EXPECT_EQ(WindowText(c.Text2()), "1e+3  mW");
        SendMessageW(c.Ohm(0), BM_SETCHECK, BST_CHECKED, 0);
    }
}

TEST_F(ConverterTest, CopyTakesTheNumberWithoutItsUnit) {
    const Converter& c = converter_;
    c.ConvertTo(kVrms);
    ASSERT_EQ(WindowText(c.Text2()), "223.606797749979e-3  Vrms");
    SetClipboardText(L"before");
    PostClick(c.Item(kCopyButtonId));
    c.Sync();
    EXPECT_EQ(ClipboardText(), L"223.606797749979e-3");

    // A changed input empties the result: nothing to copy.
    SetWindowTextUtf8(c.Text1(), "5");
    ASSERT_EQ(WindowText(c.Text2()), "");
    SetClipboardText(L"before");
    PostClick(c.Item(kCopyButtonId));
    c.Sync();
    EXPECT_EQ(ClipboardText(), L"before");

    // So does another source unit.
    c.ConvertTo(kMw);
    ASSERT_EQ(WindowText(c.Text2()), "3.16227766016838  mW");
    SendMessageW(c.Option(kVop), BM_CLICK, 0, 0);
    EXPECT_EQ(WindowText(c.Text2()), "");
}

TEST_F(ConverterTest, EveryWindowStartsAsDesignedAtTheAnchor) {
    // Client size, tab order (the order of the children), picture and tooltips.
    const double t = TwipsPerPixel();
    const auto px = [t](double twips) { return static_cast<LONG>(std::lround(twips / t)); };
    RECT client{};
    GetClientRect(converter_.Form(), &client);
    EXPECT_EQ(client.right, px(4875));
    EXPECT_EQ(client.bottom, px(2535));
    const std::vector<int> order = {
        kText1Id,        kOption1Id,       kOption1Id + 1,        kOption1Id + 2,   kOption1Id + 3,
        kdBmButtonId,    kdBmButtonId + 1, kdBmButtonId + 2,      kdBmButtonId + 3, kCloseButtonId,
        kFrame1Id,       kFrame2Id,        kCopyButtonId,         kLabel2Id,        kOhmCheckId,
        kOhmCheckId + 1, kText2Id,         kConverterCalcButtonId};
    std::vector<int> children;
    for (HWND h = GetWindow(converter_.Form(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        children.push_back(GetDlgCtrlID(h));
    ASSERT_GE(children.size(), order.size());
    EXPECT_EQ(std::vector<int>(children.begin(), children.begin() + order.size()), order);
    EXPECT_NE(SendMessageW(converter_.Item(kConverterCalcButtonId), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    HWND tips = nullptr;
    while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) &&
           ProcessOf(tips) != ProcessOf(converter_.Form())) {
    }
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 2);

    Converter c = converter_;
    const auto expectDesigned = [](const Converter& w) {
        EXPECT_EQ(WindowText(w.Text1()), "0");
        EXPECT_EQ(WindowText(w.Text2()), "");
        for (int i = 0; i < 4; ++i) EXPECT_EQ(IsChecked(w.Option(i)), i == 0) << i;
        EXPECT_TRUE(IsChecked(w.Ohm(0)));
        EXPECT_FALSE(IsChecked(w.Ohm(1)));
    };
    expectDesigned(c);
    c.Prepare("7", kMw, false);
    c.ConvertTo(kVop);
    ASSERT_EQ(WindowText(c.Text2()), "118.321595661992e-3  Vo-p");

    ASSERT_TRUE(session_.Send(OpenConverter()));
    const HWND old = c.Form();
    c = WaitForConverter(old);
    ASSERT_NE(c.Form(), nullptr);
    EXPECT_FALSE(IsWindow(old));
    expectDesigned(c);
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(c.Form()); }, 2000));

    // Bottom-right corner on the anchor (top and left lose 5 pixels on the way in).
    const TwipBox box = TwipBoxOf(c.Form());
    EXPECT_NEAR(box.left + box.width, kLeft - 5 * t + kOffsetX, t);
    EXPECT_NEAR(box.top + box.height, kTop - 5 * t + kOffsetY, t);

    // The last conversion target is not carried over: a resistance click converts to dBm.
    PostMouseClick(c.Ohm(1));
    c.Sync();
    EXPECT_EQ(WindowText(c.Text2()), "0  dBm");
}

TEST(Converter, StandsBesideAHelpWindowAtTheSameAnchor) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(
        OpenRequest(kWindowHelpText, "notes", kOffsetY, kOffsetX, kTop, kLeft, false)));
    HWND help = WaitForWindow(kSpectralPowerCaption);
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(session.Send(OpenConverter()));
    Converter c = WaitForConverter();
    ASSERT_NE(c.Form(), nullptr);
    const double t = TwipsPerPixel();
    const TwipBox helpBox = TwipBoxOf(help);
    TwipBox box = TwipBoxOf(c.Form());
    // To the left of the help window, 50 twips apart, bottoms aligned.
    EXPECT_NEAR(box.left + box.width, helpBox.left - 50, t);
    EXPECT_NEAR(box.top + box.height, helpBox.top + helpBox.height, t);

    // A help window moved by the user, even by a pixel, no longer counts.
    RECT r{};
    GetWindowRect(help, &r);
    SetWindowPos(help, nullptr, r.left + 1, r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] {
        RECT now{};
        GetWindowRect(help, &now);
        return now.left == r.left + 1;
    }));
    ASSERT_TRUE(session.Send(OpenConverter()));
    c = WaitForConverter(c.Form());
    ASSERT_NE(c.Form(), nullptr);
    box = TwipBoxOf(c.Form());
    EXPECT_NEAR(box.left + box.width, kLeft - 5 * t + kOffsetX, t);
    EXPECT_NEAR(box.top + box.height, kTop - 5 * t + kOffsetY, t);
}

}  // namespace
}  // namespace kes::test
