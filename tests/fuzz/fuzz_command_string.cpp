// Command strings arrive from another process: any bytes must be read without a fault, and
// the reading must agree with itself.
#include "core/CommandString.h"
#include "core/Request.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int16_t firstSeparator = -1;
    const int32_t code = kes::ParseRequestCode(text, firstSeparator);
    Check(firstSeparator >= 0);
    if (firstSeparator > 0) Check(text[static_cast<size_t>(firstSeparator) - 1] == '@');
    if (code != kes::kNoRequestCode) Check(firstSeparator > 0);

    kes::FieldCursor cursor(text, firstSeparator);
    bool absent = false;
    for (int i = 0; i < 9; ++i) {
        const auto field = cursor.Next();
        if (absent) Check(!field);
        if (!field) {
            absent = true;
            continue;
        }
        Check(field->find('@') == std::string_view::npos);
        // A number that converts converts to the same value from its own plain digits.
        if (const auto value = kes::ParseIntegerField(*field)) {
            Check(kes::ParseIntegerField(std::to_string(*value)) == value);
            if (*value != 0) Check(kes::ParseBooleanField(*field) == true);
        }
    }

    kes::RequestValues values;
    values.RequestText = "before";
    const auto action = kes::ApplyCommand(text, values, 15, 12.5);
    Check(values.RequestCode == code || action == kes::CommandAction::Open ||
          action == kes::CommandAction::Close);
    if (action == kes::CommandAction::Close) Check(values.RequestText == "before");
    (void)kes::AnchorX(values);
    (void)kes::AnchorY(values);
    return 0;
}
