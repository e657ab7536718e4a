#pragma once
// The per-user settings shared with the host: REG_SZ values under
// HKCU\Software\VB and VBA Program Settings\<application>\<section>.
#include <string>
#include <string_view>

#include "core/HostContract.h"

namespace kes::win {

class SettingsStore {
  public:
    explicit SettingsStore(std::string application = std::string(kAppName))
        : application_(std::move(application)) {}

    // Returns the stored text, or fallback when the value is absent or unreadable.
    std::string Get(std::string_view section, std::string_view name,
                    std::string_view fallback = kNoRegistryData) const;
    // Creates the section when needed; a failure changes nothing.
    bool Save(std::string_view section, std::string_view name, std::string_view value) const;
    // Removes the one value; the section and its other values stay.
    bool Delete(std::string_view section, std::string_view name) const;
    // Read with the sentinel: absent (or stored as the sentinel itself) is false.
    bool Contains(std::string_view section, std::string_view name) const {
        return Get(section, name) != kNoRegistryData;
    }

    std::wstring KeyPath(std::string_view section) const;

  private:
    std::string application_;
};

}  // namespace kes::win
