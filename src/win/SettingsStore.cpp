#include "win/SettingsStore.h"

#include <windows.h>

#include "win/Handles.h"
#include "win/WinText.h"

namespace kes::win {

std::wstring SettingsStore::KeyPath(std::string_view section) const {
    return std::wstring(kSettingsRoot) + L"\\" + Widen(application_) + L"\\" + Widen(section);
}

std::string SettingsStore::Get(std::string_view section, std::string_view name,
                               std::string_view fallback) const {
    ScopedHKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return std::string(fallback);
    const std::wstring valueName = Widen(name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string(fallback);
    std::wstring buf(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
        return std::string(fallback);
    buf.resize(size / sizeof(wchar_t));
    while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
    return Narrow(buf);
}

bool SettingsStore::Save(std::string_view section, std::string_view name,
                         std::string_view value) const {
    ScopedHKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring w = Widen(value);
    return RegSetValueExW(key.Get(), Widen(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(w.c_str()),
                          static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SettingsStore::Delete(std::string_view section, std::string_view name) const {
    ScopedHKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_SET_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return false;
    return RegDeleteValueW(key.Get(), Widen(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace kes::win
