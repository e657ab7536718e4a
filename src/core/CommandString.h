#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/HostContract.h"

namespace kes {

// Positions are 1-based and 16-bit, so a command string holds at most this many characters.
inline constexpr std::size_t kMaxCommandLength = 32767;

// The code in front of the first "@"; kNoRequestCode when there is none or it is not a number.
int32_t ParseRequestCode(std::string_view commandString, int16_t& firstSeparator);

// Walks the "@"-closed fields behind the request code, one field per call.
class FieldCursor {
  public:
    FieldCursor(std::string_view commandString, int16_t firstSeparator);
    // The next field's text, or nullopt when its closing "@" is missing.
    std::optional<std::string_view> Next();

  private:
    std::string_view text_;
    int16_t position_;
    bool exhausted_ = false;
};

// Signed decimal with optional fraction and exponent, halves rounded to even.
std::optional<int32_t> ParseIntegerField(std::string_view field);
// "True"/"False" in any case, or a number (zero is false).
std::optional<bool> ParseBooleanField(std::string_view field);

}  // namespace kes
