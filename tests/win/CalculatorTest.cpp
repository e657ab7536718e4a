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

bool RunsFrom(DWORD pid, const fs::path& path) {
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        QueryFullProcessImageNameW(process, 0, image, &size);
        CloseHandle(process);
    }
    return CompareStringOrdinal(image, -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Wine has no calculator: Main's Windows and system folders point at folders
// of the test's own, where the stand-in goes; every test starts and ends with
// no calculator anywhere.
class CalculatorLauncher : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        Clean();
        fs::create_directories(windowsDir_);
        fs::create_directories(systemDir_);
        Util().WindowsDir = win::Narrow(windowsDir_.wstring()) + "\\";
        Util().SystemDir = win::Narrow(systemDir_.wstring()) + "\\";
    }
    void TearDown() override {
        Clean();
        FormTest::TearDown();
    }
    void Clean() {
        for (HWND hwnd : CalculatorWindows()) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
        // A calculator's program stays locked until its process has ended.
        std::error_code failed;
        EXPECT_TRUE(
            WaitUntil([&] { return fs::remove_all(windowsDir_.parent_path(), failed), !failed; }));
    }
    static void Place(const fs::path& calc) {
        fs::copy_file(fs::path(BinDir()) / "FakeCalc.exe", calc);
    }
    // The calculator buttons' action; the task id it leaves.
    static DWORD Run() { return RunCalculator(), Util().CalcTaskId; }

    const fs::path windowsDir_ = fs::temp_directory_path() / "kes-calc" / "windows";
    const fs::path systemDir_ = fs::temp_directory_path() / "kes-calc" / "system";
    const fs::path inWindows_ = windowsDir_ / "calc.exe", inSystem_ = systemDir_ / "calc.exe";
};

TEST_F(CalculatorLauncher, StartsFromTheWindowsFolderOnceBringsItBackAndRestartsAfterClose) {
    // The system folder's copy, while the Windows folder has none.
    Place(inSystem_);
    const DWORD fallback = Run();
    EXPECT_TRUE(RunsFrom(fallback, inSystem_));
    ASSERT_NE(Calculators(1), nullptr);
    PostMessageW(Calculators(1), WM_CLOSE, 0, 0);
    Calculators(0);
    Place(inWindows_);
    const DWORD first = Run();
    ASSERT_NE(first, 0u);
    HWND calc = Calculators(1);
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(ProcessOf(calc), first);
    EXPECT_TRUE(RunsFrom(first, inWindows_));
    // Ours, put away by the user: brought back to the front, no second one.
    ShowWindow(calc, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(calc) != FALSE; }));
    EXPECT_EQ(Run(), first);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(calc) && GetForegroundWindow() == calc; }, 2000));
    Pump(300);
    EXPECT_EQ(CalculatorWindows().size(), 1u);
    // Closed by the user: a new one starts.
    PostMessageW(calc, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
    const DWORD second = Run();
    EXPECT_TRUE(second != 0 && second != first) << second;
    EXPECT_EQ(ProcessOf(Calculators(1)), second);
}

TEST_F(CalculatorLauncher, CalculatorTheUserOpenedDoesNotStopAStartOfOurOwn) {
    Place(inWindows_);
    PROCESS_INFORMATION user{};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + inWindows_.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(inWindows_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &user));
    CloseHandle(user.hThread);
    CloseHandle(user.hProcess);
    ASSERT_NE(Calculators(1), nullptr);
    const DWORD task = Run();
    EXPECT_TRUE(task != 0 && task != user.dwProcessId) << task;
    EXPECT_NE(Calculators(2), nullptr);
}

TEST_F(CalculatorLauncher, MissingCalculatorIsReportedModallyWithTheSystemPath) {
    // Through a tool window's calculator button.
    const HWND converter = OpenTool(kWindowConverter);
    std::string message;
    AnswerBoxes answer([&](HWND box) {
        EXPECT_NE(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
        EXPECT_FALSE(IsWindowEnabled(converter));
        ClickButton(0, &message)(box);
    });
    SendMessageW(GetDlgItem(converter, kConverterCalcButtonId), BM_CLICK, 0, 0);
    EXPECT_EQ(answer.Count(), 1);
    EXPECT_EQ(message, "Kestrelsim can't find " + win::Narrow(inSystem_.wstring()));
    EXPECT_EQ(Util().CalcTaskId, 0u);
    EXPECT_TRUE(IsWindowEnabled(converter));
    EXPECT_TRUE(CalculatorWindows().empty());
}

}  // namespace
}  // namespace kes::test
