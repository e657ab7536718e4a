#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "win/SettingsStore.h"

namespace kes::win {
namespace {

// A private application name: the tests never touch the host's own values.
constexpr wchar_t kAppKey[] = L"Software\\VB and VBA Program Settings\\KestrelsimStoreTest";

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey); }
    static std::wstring Path(const wchar_t* section) {
        return std::wstring(kAppKey) + L"\\" + section;
    }
    // What another program sees in the registry.
    static std::optional<std::wstring> Raw(const wchar_t* section, const wchar_t* name,
                                           DWORD* type = nullptr) {
        wchar_t buffer[256] = {};
        DWORD size = sizeof buffer, t = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, Path(section).c_str(), name, RRF_RT_ANY | RRF_NOEXPAND,
                         &t, buffer, &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type) *type = t;
        return std::wstring(buffer);
    }
    static bool SectionExists(const wchar_t* section) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(section).c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    SettingsStore store_{"KestrelsimStoreTest"};
};

TEST_F(SettingsStoreTest, HostAndUtilityShareTheClassicKeyPerApplication) {
    EXPECT_EQ(SettingsStore().KeyPath("Misc"),
              L"Software\\VB and VBA Program Settings\\Kestrelsim\\Misc");
    ASSERT_TRUE(store_.Save("Misc", "Scrollbar", "1"));
    EXPECT_EQ(SettingsStore("KestrelsimStoreTestOther").Get("Misc", "Scrollbar"), kNoRegistryData);
}

TEST_F(SettingsStoreTest, SavedValueIsAStringOthersCanRead) {
    ASSERT_TRUE(store_.Save("Misc", "Scrollbar", "65552"));
    DWORD type = 0;
    EXPECT_EQ(Raw(L"Misc", L"Scrollbar", &type), L"65552");
    EXPECT_EQ(type, DWORD{REG_SZ});
    ASSERT_TRUE(store_.Save("Misc", "Scrollbar", "131090"));  // saving again replaces
    EXPECT_EQ(store_.Get("Misc", "Scrollbar"), "131090");
    // Text beyond ASCII survives the round trip both ways.
    const std::string utf8 =
        "3~Gr\xc3\xbc\xc3\x9f"
        "e \xc2\xb5W~";
    ASSERT_TRUE(store_.Save("Messages", "kesUtilListMessage", utf8));
    EXPECT_EQ(Raw(L"Messages", L"kesUtilListMessage"), L"3~Gr\u00fc\u00dfe \u00b5W~");
    EXPECT_EQ(store_.Get("Messages", "kesUtilListMessage"), utf8);
}

TEST_F(SettingsStoreTest, AbsentValuesReadAsTheSentinelOrTheGivenDefault) {
    EXPECT_EQ(store_.Get("Misc", "Scrollbar"), kNoRegistryData);  // no section yet
    EXPECT_EQ(store_.Get("Misc", "Scrollbar", "fallback"), "fallback");
    ASSERT_TRUE(store_.Save("Misc", "Other", "1"));
    EXPECT_EQ(store_.Get("Misc", "Scrollbar"), kNoRegistryData);  // section, no value
    EXPECT_FALSE(store_.Contains("Misc", "Scrollbar"));
    // Empty text is present; a stored sentinel is not.
    ASSERT_TRUE(store_.Save("Misc", "Empty", ""));
    EXPECT_EQ(store_.Get("Misc", "Empty"), "");
    EXPECT_TRUE(store_.Contains("Misc", "Empty"));
    ASSERT_TRUE(store_.Save("Misc", "Sentinel", kNoRegistryData));
    EXPECT_FALSE(store_.Contains("Misc", "Sentinel"));
    // So is a value of another type.
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, store_.KeyPath("Misc").c_str(), 0, KEY_SET_VALUE, &key),
        ERROR_SUCCESS);
    const DWORD number = 42;
    RegSetValueExW(key, L"Kestrelsim hWnd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(store_.Get("Misc", "Kestrelsim hWnd"), kNoRegistryData);
}

TEST_F(SettingsStoreTest, DeleteRemovesOneValueAndLeavesTheSection) {
    ASSERT_TRUE(store_.Save("Misc", "Scrollbar", "65552"));
    ASSERT_TRUE(store_.Save("Misc", "Kestrelsim hWnd", "131090"));
    ASSERT_TRUE(store_.Save("Messages", "Scrollbar", "other section"));
    EXPECT_TRUE(store_.Delete("Misc", "Scrollbar"));
    EXPECT_FALSE(Raw(L"Misc", L"Scrollbar").has_value());
    EXPECT_EQ(Raw(L"Misc", L"Kestrelsim hWnd"), L"131090");
    EXPECT_EQ(Raw(L"Messages", L"Scrollbar"), L"other section");
    EXPECT_TRUE(store_.Delete("Misc", "Kestrelsim hWnd"));
    EXPECT_TRUE(SectionExists(L"Misc")) << "deleting the last value took the section";
    // Nothing there: the delete fails and creates nothing.
    EXPECT_FALSE(store_.Delete("Misc", "Scrollbar"));
    EXPECT_FALSE(store_.Delete("NoSuchSection", "Scrollbar"));
    EXPECT_FALSE(SectionExists(L"NoSuchSection"));
}

}  // namespace
}  // namespace kes::win
