#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "process/HostEvaluator.h"

namespace kes {
namespace {

// The utility's search: the current folder never counts ("." on PATH neither), PATH does, and
// a library that turns up after a failed use is taken at the next and then kept.
TEST(HostEvaluatorSearch, PathEntriesButNotTheCurrentFolderAndLateArrivals) {
    namespace fs = std::filesystem;
    wchar_t self[MAX_PATH] = {};
    // The built library, in a folder of its own below this program's.
    const fs::path program(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH)));
    const fs::path built = program.parent_path() / "hostlib" / "kesGen32.dll";
    const fs::path current = fs::temp_directory_path() / "kes-search-current";
    const fs::path onPath = fs::temp_directory_path() / "kes-search path";
    fs::remove_all(onPath);
    fs::create_directories(current);
    fs::create_directories(onPath);
    fs::copy_file(built, current / "kesGen32.dll", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    ASSERT_FALSE(fs::exists(program.parent_path() / "kesGen32.dll")) << "a stale copy";
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (L";.;\"" + onPath.wstring() + L"\";").c_str()));
    EXPECT_FALSE(HostEvaluator()) << "taken from the current folder";
    fs::copy_file(built, onPath / "kesGen32.dll");
    const HostEvaluateFn evaluate = HostEvaluator();
    ASSERT_TRUE(evaluate) << "not found through PATH after a failed use";
    std::string text = "2*3";
    double value = 0;
    EXPECT_GT(evaluate(text, value), 0);
    EXPECT_EQ(value, 6);
    SetEnvironmentVariableW(L"PATH", L"");
    EXPECT_TRUE(HostEvaluator());
}

}  // namespace
}  // namespace kes
