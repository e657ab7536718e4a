#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace kes {
namespace {

using HostEvaluateFn = int32_t(__stdcall*)(char*, double*, int32_t*, int32_t*);

// The DLL is loaded once, as the utility does, from the program's own directory.
HostEvaluateFn LoadEntry11() {
    static HostEvaluateFn entry = [] {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dllPath(path, length);
        dllPath.resize(dllPath.find_last_of(L'\\') + 1);
        dllPath += L"kesGen32.dll";
        HMODULE module = LoadLibraryW(dllPath.c_str());
        if (module == nullptr) return HostEvaluateFn{};
        const FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(11));
        // Through void(*)(): the one function type that converts without a warning.
        return reinterpret_cast<HostEvaluateFn>(reinterpret_cast<void (*)()>(proc));
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

TEST(EvaluatorDll, PointLocaleSeparators) {
    if (!LocaleIs("en_US")) GTEST_SKIP() << "run with LC_ALL=en_US.UTF-8";
    ASSERT_NE(LoadEntry11(), nullptr);
    EXPECT_EQ(Evaluate("2.5*2").value, 5);
    EXPECT_EQ(Evaluate("mod(7,4)").value, 3);
    EXPECT_EQ(Evaluate("mod(7;4)").result, -1005);
}

TEST(EvaluatorDll, CommaLocaleSeparators) {
    if (!LocaleIs("de_DE")) GTEST_SKIP() << "run with LC_ALL=de_DE.UTF-8";
    ASSERT_NE(LoadEntry11(), nullptr);
    EXPECT_EQ(Evaluate("2,5*2").value, 5);
    EXPECT_EQ(Evaluate("mod(7;4)").value, 3);
    EXPECT_EQ(Evaluate("2.5").result, -1001);
    const Call angle = Evaluate("atan2(0;1)");
    EXPECT_GT(angle.result, 0);
    EXPECT_NEAR(angle.value, 2 * std::atan(1.0), 1e-15);
}

}  // namespace
}  // namespace kes
