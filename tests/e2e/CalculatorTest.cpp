#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/MessageForm.h"
#include "probe/ProbeProcess.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::test {
namespace {

constexpr int kLaunchButtonId = 1;

std::wstring Directory(UINT (*query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH] = {};
    const UINT n = query(buffer, MAX_PATH);
    return std::wstring(buffer, n);
}
UINT WindowsDirectory(LPWSTR b, UINT n) {
    return GetWindowsDirectoryW(b, n);
}
UINT SystemDirectory(LPWSTR b, UINT n) {
    return GetSystemDirectoryW(b, n);
}

std::vector<HWND> CalculatorWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM list) {
            wchar_t title[32] = {};
            GetWindowTextW(hwnd, title, 32);
            if (IsWindowVisible(hwnd) && std::wstring(title) == L"Calculator")
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::wstring ImageOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return std::wstring(path, size);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Wine has no calculator: the stand-in goes where the launcher looks, and
// every test starts and ends with none anywhere.
class CalculatorLauncher : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override {
        probe_.reset();
        Clean();
    }

    static std::wstring InWindows() { return Directory(&WindowsDirectory) + L"\\calc.exe"; }
    static std::wstring InSystem() { return Directory(&SystemDirectory) + L"\\calc.exe"; }
    static void Place(const std::wstring& path) {
        ASSERT_TRUE(CopyFileW((BinDir() + L"\\FakeCalc.exe").c_str(), path.c_str(), FALSE));
    }
    static void Clean() {
        for (HWND hwnd : CalculatorWindows()) PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().empty(); }));
        DeleteFileW(InWindows().c_str());
        DeleteFileW(InSystem().c_str());
    }

    // The probe window stands in for a tool window with a calculator button.
    void StartProbe() {
        probe_ = std::make_unique<ProbeProcess>(std::vector<std::string>{"mode=calc"});
        window_ = WaitForWindow("Launcher probe");
        ASSERT_NE(window_, nullptr);
        button_ = WaitForControl(window_, kLaunchButtonId);
        ASSERT_NE(button_, nullptr);
    }
    // One click; the CalcTaskId it left.
    DWORD Click() {
        const size_t before = probe_->Lines().size();
        PostClick(button_);
        if (!WaitUntil([&] { return probe_->Lines().size() > before; })) return 0xFFFFFFFF;
        return std::stoul(probe_->Outcome()["task"]);
    }

    std::unique_ptr<ProbeProcess> probe_;
    HWND window_ = nullptr;
    HWND button_ = nullptr;
};

TEST_F(CalculatorLauncher, StartsOnceBringsItToTheFrontAndRestartsAfterClose) {
    Place(InWindows());
    Place(InSystem());
    StartProbe();
    const DWORD first = Click();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
    HWND calc = CalculatorWindows()[0];
    EXPECT_EQ(ProcessOf(calc), first);
    // The Windows directory comes first.
    EXPECT_TRUE(SamePath(ImageOf(first), InWindows())) << win::Narrow(ImageOf(first));

    // Open and ours, put away by the user: brought back to the front, no second one.
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
    Place(InWindows());
    PROCESS_INFORMATION user{};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + InWindows() + L"\"";
    ASSERT_TRUE(CreateProcessW(InWindows().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
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
    Place(InSystem());
    StartProbe();
    const DWORD task = Click();
    ASSERT_NE(task, 0u);
    EXPECT_TRUE(SamePath(ImageOf(task), InSystem())) << win::Narrow(ImageOf(task));
    EXPECT_TRUE(WaitUntil([] { return CalculatorWindows().size() == 1; }));
}

TEST_F(CalculatorLauncher, MissingCalculatorIsReportedWithTheSystemPath) {
    StartProbe();
    PostClick(button_);
    HWND box = WaitForWindow("Kestrelsim");
    ASSERT_NE(box, nullptr);
    HWND text = WaitForControl(box, kMsgTextId);
    EXPECT_EQ(WindowText(text), "Kestrelsim can't find " + win::Narrow(InSystem()));
    EXPECT_NE(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
    // Modal: the window with the calculator button waits for the box.
    EXPECT_FALSE(IsWindowEnabled(window_));
    ASSERT_TRUE(WaitForControl(box, kMsgFirstButtonId));
    PostClick(GetDlgItem(box, kMsgFirstButtonId));
    ASSERT_TRUE(WaitUntil([&] { return !probe_->Lines().empty(); }));
    EXPECT_EQ(probe_->Outcome()["task"], "0");
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_TRUE(CalculatorWindows().empty());
}

}  // namespace
}  // namespace kes::test
