#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "win/SettingsStore.h"

namespace kes::win {
namespace {

// A private application name: the tests never touch the host's own values.
constexpr char kApp[] = "KestrelsimStoreTest";

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override { TearDown(); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Key(L"").c_str()); }
    static std::wstring Key(const std::wstring& section) {
        return std::wstring(kSettingsRoot) + L"\\KestrelsimStoreTest" +
               (section.empty() ? L"" : L"\\" + section);
    }
    // What another program sees in the registry.
    static std::optional<std::wstring> Raw(const wchar_t* section, const wchar_t* name,
                                           DWORD* type = nullptr) {
        wchar_t buffer[256] = {};
        DWORD size = sizeof buffer;
        if (RegGetValueW(HKEY_CURRENT_USER, Key(section).c_str(), name, RRF_RT_ANY | RRF_NOEXPAND,
                         type, buffer, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(buffer);
    }

    SettingsStore store_{kApp};
};

TEST_F(SettingsStoreTest, SavedValueIsAStringOthersReadAbsentOneTheSentinelAndDeleteTakesOne) {
    EXPECT_EQ(store_.Get(kSectionMisc, kScrollbarValue), kNoRegistryData);  // no section yet
    EXPECT_EQ(store_.Get(kSectionMisc, kScrollbarValue, "fallback"), "fallback");
    ASSERT_TRUE(store_.Save(kSectionMisc, kScrollbarValue, "65552"));
    DWORD type = 0;
    EXPECT_EQ(Raw(L"Misc", L"Scrollbar", &type), L"65552");
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(SettingsStore("KestrelsimStoreTestOther").Get(kSectionMisc, kScrollbarValue),
              kNoRegistryData);
    // Text beyond ASCII survives the round trip both ways.
    const std::string utf8 = "3~Gr\303\274\303\237e \302\265W~";
    ASSERT_TRUE(store_.Save(kSectionMessages, kListMessageValue, utf8));
    EXPECT_EQ(Raw(L"Messages", L"kesUtilListMessage"), L"3~Gr\u00fc\u00dfe \u00b5W~");
    EXPECT_EQ(store_.Get(kSectionMessages, kListMessageValue), utf8);
    // Empty text is present; a stored sentinel or a value of another type is not.
    ASSERT_TRUE(store_.Save(kSectionMisc, "Empty", ""));
    EXPECT_TRUE(store_.Contains(kSectionMisc, "Empty"));
    ASSERT_TRUE(store_.Save(kSectionMisc, "Sentinel", kNoRegistryData));
    EXPECT_FALSE(store_.Contains(kSectionMisc, "Sentinel"));
    const DWORD number = 42;
    RegSetKeyValueW(HKEY_CURRENT_USER, Key(L"Misc").c_str(), L"Kestrelsim hWnd", REG_DWORD, &number,
                    sizeof number);
    EXPECT_EQ(store_.Get(kSectionMisc, kHostWndValue), kNoRegistryData);
    // Delete removes one value and leaves the others and the section.
    ASSERT_TRUE(store_.Save(kSectionMisc, kHostWndValue, "131090"));
    ASSERT_TRUE(store_.Save(kSectionMessages, kScrollbarValue, "other section"));
    EXPECT_TRUE(store_.Delete(kSectionMisc, kScrollbarValue));
    EXPECT_FALSE(Raw(L"Misc", L"Scrollbar"));
    EXPECT_EQ(Raw(L"Misc", L"Kestrelsim hWnd"), L"131090");
    EXPECT_EQ(Raw(L"Messages", L"Scrollbar"), L"other section");
    for (const char* name : {"Kestrelsim hWnd", "Empty", "Sentinel"})
        EXPECT_TRUE(store_.Delete(kSectionMisc, name)) << name;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"Misc").c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "deleting the last value took the section";
    RegCloseKey(key);
    // Nothing there: the delete fails and creates nothing.
    EXPECT_FALSE(store_.Delete(kSectionMisc, kScrollbarValue));
    EXPECT_FALSE(store_.Delete("NoSuchSection", kScrollbarValue));
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"NoSuchSection").c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace kes::win
