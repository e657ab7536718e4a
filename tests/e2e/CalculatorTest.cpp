#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/MessageForm.h"
#include "probe/ProbeProcess.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

std::vector<HWND> CalculatorWindows() {
    std::vector<HWND> found;
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, nullptr, L"Calculator"));)
        if (IsWindowVisible(hwnd)) found.push_back(hwnd);
    return found;
}

bool RunsFrom(DWORD pid, const std::wstring& path) {
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        QueryFullProcessImageNameW(process, 0, image, &size);
        CloseHandle(process);
    }
    return CompareStringOrdinal(image, -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring CalcIn(UINT(WINAPI* directory)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH] = {};
    return std::wstring(buffer, directory(buffer, MAX_PATH)) + L"\\calc.exe";
}

// Wine has no calculator: the stand-in goes where the launcher looks, and every test starts and
// ends with none anywhere. The probe window stands in for a tool window with a calculator button.
class CalculatorLauncher : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override {
        probe_.reset();
        Clean();
    }
    void Clean() {
        for (HWND hwnd : CalculatorWindows()) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
        DeleteFileW(inWindows_.c_str());
        DeleteFileW(inSystem_.c_str());
    }
    static void Place(const std::wstring& path) {
        ASSERT_TRUE(CopyFileW((BinDir() + L"\\FakeCalc.exe").c_str(), path.c_str(), FALSE));
    }
    void StartProbe() {
        probe_ = std::make_unique<ProbeProcess>(std::vector<std::string>{"mode=calc"});
        window_ = WaitForWindow("Launcher probe");
        ASSERT_NE(window_, nullptr);
        ASSERT_NE(button_ = WaitForControl(window_, 1), nullptr);
    }
    // One click; the CalcTaskId it left.
    DWORD Click() {
        size_t before = 0, now = 0;
        probe_->Outcome(&before);
        PostClick(button_);
        if (!WaitUntil([&] {
                probe_->Outcome(&now);
                return now > before;
            }))
            return 0xFFFFFFFF;
        return std::stoul(probe_->Outcome()["task"]);
    }

    const std::wstring inWindows_ = CalcIn(&GetWindowsDirectoryW),
                       inSystem_ = CalcIn(&GetSystemDirectoryW);
    std::unique_ptr<ProbeProcess> probe_;
    HWND window_ = nullptr, button_ = nullptr;
};

TEST_F(CalculatorLauncher, StartsFromTheWindowsDirectoryOnceBringsItBackAndRestartsAfterClose) {
    Place(inWindows_);
    Place(inSystem_);
    StartProbe();
    const DWORD first = Click();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
    HWND calc = CalculatorWindows()[0];
    EXPECT_EQ(ProcessOf(calc), first);
    EXPECT_TRUE(RunsFrom(first, inWindows_));
    // Ours, put away by the user: brought back to the front, no second one.
    ShowWindow(calc, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(calc) != FALSE; }));
    EXPECT_EQ(Click(), first);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(calc) && GetForegroundWindow() == calc; }, 2000));
    Pump(300);
    EXPECT_EQ(CalculatorWindows().size(), 1u);
    // Closed by the user: a new one starts.
    PostMessageW(calc, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
    const DWORD second = Click();
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, first);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
    EXPECT_EQ(ProcessOf(CalculatorWindows()[0]), second);
}

TEST_F(CalculatorLauncher, CalculatorTheUserOpenedDoesNotStopAStartOfOurOwn) {
    Place(inWindows_);
    PROCESS_INFORMATION user{};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + inWindows_ + L"\"";
    ASSERT_TRUE(CreateProcessW(inWindows_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &user));
    CloseHandle(user.hThread);
    CloseHandle(user.hProcess);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
    StartProbe();
    const DWORD task = Click();
    EXPECT_NE(task, 0u);
    EXPECT_NE(task, user.dwProcessId);
    EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 2; }));
}

TEST_F(CalculatorLauncher, FallsBackToTheSystemDirectory) {
    Place(inSystem_);
    StartProbe();
    const DWORD task = Click();
    ASSERT_NE(task, 0u);
    EXPECT_TRUE(RunsFrom(task, inSystem_));
    EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
}

TEST_F(CalculatorLauncher, MissingCalculatorIsReportedModallyWithTheSystemPath) {
    StartProbe();
    PostClick(button_);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(box, kMsgTextId)),
              "Kestrelsim can't find " + win::Narrow(inSystem_));
    EXPECT_NE(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(window_));
    PostClick(GetDlgItem(box, kMsgFirstButtonId));
    ASSERT_TRUE(WaitUntil([&] { return !probe_->Outcome().empty(); }));
    EXPECT_EQ(probe_->Outcome()["task"], "0");
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_TRUE(CalculatorWindows().empty());
}

}  // namespace
}  // namespace kes::test
