#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::win {
namespace {

// A private application name: the test never touches the host's own values.
const std::wstring kKey = std::wstring(kSettingsRoot) + L"\\KestrelsimStoreTest";

// What another program sees in the registry: text values only.
std::wstring Key(std::string_view section) {
    return kKey + L"\\" + Widen(section);
}
std::optional<std::wstring> Raw(std::string_view section, std::string_view name) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, Key(section).c_str(), Widen(name).c_str(), RRF_RT_REG_SZ,
                     nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

TEST(SettingsStoreTest, SavedValueIsAStringOthersReadAbsentOneTheSentinelAndDeleteTakesOne) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
    SettingsStore store("KestrelsimStoreTest");
    // Text beyond ASCII survives the round trip both ways.
    const std::string utf8 = "3~Gr\303\274\303\237e \302\265W~";
    ASSERT_TRUE(store.Save(kSectionMisc, kScrollbarValue, utf8));
    EXPECT_EQ(Raw(kSectionMisc, kScrollbarValue), L"3~Gr\u00fc\u00dfe \u00b5W~");
    EXPECT_EQ(store.Get(kSectionMisc, kScrollbarValue), utf8);
    // Empty text is present; a stored sentinel is not.
    ASSERT_TRUE(store.Save(kSectionMisc, "Empty", "") &&
                store.Save(kSectionMisc, "S", kNoRegistryData));
    EXPECT_TRUE(store.Contains(kSectionMisc, "Empty") && !store.Contains(kSectionMisc, "S"));
    // Delete removes one value and leaves the others; with nothing there it fails and creates
    // nothing.
    EXPECT_TRUE(store.Delete(kSectionMisc, kScrollbarValue));
    EXPECT_FALSE(Raw(kSectionMisc, kScrollbarValue));
    EXPECT_EQ(Raw(kSectionMisc, "Empty"), L"");
    EXPECT_TRUE(store.Delete(kSectionMisc, "Empty") && store.Delete(kSectionMisc, "S"));
    EXPECT_EQ(store.Get(kSectionMisc, kScrollbarValue, "absent"), "absent");
    EXPECT_FALSE(store.Delete(kSectionMisc, kScrollbarValue));
    EXPECT_FALSE(store.Delete("NoSuchSection", kScrollbarValue));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Key("NoSuchSection").c_str(), 0, KEY_READ, &key), 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
}

}  // namespace
}  // namespace kes::win
