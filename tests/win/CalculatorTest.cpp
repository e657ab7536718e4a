#include <filesystem>
#include <string>
#include <vector>

#include "win/FormFixture.h"

namespace kes::test {
namespace {

namespace fs = std::filesystem;

std::vector<HWND> CalculatorWindows() {
    std::vector<HWND> found;
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, nullptr, L"Calculator"));)
        if (IsWindowVisible(hwnd)) found.push_back(hwnd);
    return found;
}
// Waits until exactly n calculators are shown; the first of them.
HWND Calculators(size_t n) {
    const bool shown = WaitUntil([&] { return CalculatorWindows().size() == n; });
    return shown && n ? CalculatorWindows()[0] : nullptr;
}

// Wine has no calculator: Main's Windows and system folders point at folders
// of the test's own, where the stand-in goes; the test starts and ends with
// no calculator anywhere.
class CalculatorLauncher : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        TearDown();
        fs::create_directories(root_ / "system");
        Util().WindowsDir = win::Narrow(root_.wstring()) + "\\";
        Util().SystemDir = win::Narrow((root_ / "system").wstring()) + "\\";
    }
    void TearDown() override {
        for (HWND hwnd : CalculatorWindows()) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
        // A calculator's program stays locked until its process has ended.
        std::error_code failed;
        EXPECT_TRUE(WaitUntil([&] { return fs::remove_all(root_, failed), !failed; }));
        FormTest::TearDown();
    }
    const fs::path root_ = fs::temp_directory_path() / "kes-calc";
};

TEST_F(CalculatorLauncher, MissingIsReportedModallyElseOneStartsAndComesBackUntilClosed) {
    // A box with the system folder's path (e2e Fault.EveryBoxHandsTheKeyboardBack... presses
    // the converter's calculator button).
    std::string message;
    AnswerBoxes answer(ClickButton(0, &message));
    RunCalculator();
    EXPECT_EQ(message, "Kestrelsim can't find " + Util().SystemDir + "calc.exe");
    EXPECT_EQ(Util().CalcTaskId, 0u);
    // The Windows folder's copy; ours, put away by the user, is brought back, no second one.
    fs::copy_file(fs::path(BinDir()) / "FakeCalc.exe", root_ / "calc.exe");
    RunCalculator();
    const DWORD first = Util().CalcTaskId;
    const HWND calc = Calculators(1);
    ASSERT_NE(calc, nullptr);
    ShowWindow(calc, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(calc) != FALSE; }));
    RunCalculator();
    EXPECT_EQ(Util().CalcTaskId, first);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(calc) && GetForegroundWindow() == calc; }, 2000));
    // Closed by the user: a new one starts.
    PostMessageW(calc, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
    RunCalculator();
    EXPECT_NE(ProcessOf(Calculators(1)), first);
    EXPECT_EQ(ProcessOf(Calculators(1)), Util().CalcTaskId);
}

}  // namespace
}  // namespace kes::test
