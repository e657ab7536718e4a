#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "process/HostEvaluator.h"

namespace kes {
namespace {

using Entry11 = int32_t(__stdcall*)(char*, double*, int32_t*, int32_t*);

// The built library, in a folder of its own below this program's.
std::filesystem::path BuiltLibrary() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path() / "hostlib" /
           "kesGen32.dll";
}

// Loaded once by its full path, so that only the entry's contract is under test here.
Entry11 LoadEntry11() {
    static Entry11 entry = [] {
        HMODULE module = LoadLibraryW(BuiltLibrary().c_str());
        if (module == nullptr) return Entry11{};
        const FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(11));
        // Through void(*)(): the one function type that converts without a warning.
        return reinterpret_cast<Entry11>(reinterpret_cast<void (*)()>(proc));
    }();
    return entry;
}

struct Call {
    int32_t result;
    double value;
};

Call Evaluate(const char* text) {
    std::string buffer(text);  // the callee may alter it
    Call call{0, -777};
    int32_t reserved1 = 0;
    int32_t reserved2 = 0;
    call.result = LoadEntry11()(buffer.data(), &call.value, &reserved1, &reserved2);
    return call;
}

bool LocaleIs(std::string_view prefix) {
    const char* locale = std::getenv("LC_ALL");
    return locale != nullptr && std::string_view(locale).substr(0, prefix.size()) == prefix;
}

TEST(EvaluatorDll, Entry11KeepsTheCallContract) {
    ASSERT_NE(LoadEntry11(), nullptr) << "kesGen32.dll or its entry 11 not found";

    const Call sum = Evaluate("1 + 2*3");
    EXPECT_GT(sum.result, 0);
    EXPECT_EQ(sum.value, 7);

    EXPECT_EQ(Evaluate("12abc").result, -1002);
    EXPECT_EQ(Evaluate("").result, -1000);

    const Call domain = Evaluate("sqrt(-1)");
    EXPECT_LE(domain.result, -2000);
    EXPECT_EQ(domain.value, -777);

    double value = 0;
    int32_t reserved = 0;
    EXPECT_LE(LoadEntry11()(nullptr, &value, &reserved, &reserved), -2000);
    char text[] = "1";
    EXPECT_LE(LoadEntry11()(text, nullptr, &reserved, &reserved), -2000);
}

// Wine reads the user locale from LC_ALL at process start: one ctest entry per locale.
TEST(EvaluatorDll, SeparatorsFollowTheUserLocale) {
    ASSERT_NE(LoadEntry11(), nullptr);
    const bool comma = LocaleIs("de_DE");
    if (!comma && !LocaleIs("en_US")) GTEST_SKIP() << "no expectation for this LC_ALL";
    EXPECT_EQ(Evaluate(comma ? "2,5*2" : "2.5*2").value, 5);
    EXPECT_EQ(Evaluate(comma ? "mod(7;4)" : "mod(7,4)").value, 3);
    EXPECT_EQ(Evaluate(comma ? "2.5" : "mod(7;4)").result, comma ? -1001 : -1005);
    const Call angle = Evaluate(comma ? "atan2(0;1)" : "atan2(0,1)");
    EXPECT_GT(angle.result, 0);
    EXPECT_NEAR(angle.value, 2 * std::atan(1.0), 1e-15);
}

// The utility's search: the current folder never counts, PATH does, and a
// library that turns up after a failed use is taken at the next.
TEST(HostEvaluatorSearch, PathEntriesButNotTheCurrentFolderAndLateArrivals) {
    namespace fs = std::filesystem;
    const fs::path current = fs::temp_directory_path() / "kes-search-current";
    const fs::path onPath = fs::temp_directory_path() / "kes-search path";
    fs::remove_all(onPath);
    fs::create_directories(current);
    fs::create_directories(onPath);
    fs::copy_file(BuiltLibrary(), current / "kesGen32.dll", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    ASSERT_FALSE(fs::exists(BuiltLibrary().parent_path().parent_path() / "kesGen32.dll"))
        << "a stale copy beside this program";
    // "." would mean the current folder.
    const std::wstring path = L";.;\"" + onPath.wstring() + L"\";";
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", path.c_str()));
    EXPECT_FALSE(HostEvaluator()) << "taken from the current folder";

    fs::copy_file(BuiltLibrary(), onPath / "kesGen32.dll");
    const HostEvaluateFn evaluate = HostEvaluator();
    ASSERT_TRUE(evaluate) << "not found through PATH after a failed use";
    std::string text = "2*3";
    double value = 0;
    EXPECT_GT(evaluate(text, value), 0);
    EXPECT_EQ(value, 6);
    // Once loaded it stays, whatever PATH says later.
    SetEnvironmentVariableW(L"PATH", L"");
    EXPECT_TRUE(HostEvaluator());
}

}  // namespace
}  // namespace kes
