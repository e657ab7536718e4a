// The number text routines take whatever the user types; the first byte picks the locale.
#include "core/NumberText.h"
#include "FuzzCheck.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view separator = (data[0] & 1) ? "," : ".";
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    const auto value = kes::TextToValue(text, separator);
    (void)value.AsDouble();

    // The display form reads back as a number and is its own display form.
    const auto shown = kes::FormatNumberText(text, separator);
    double back = 0;
    Check(kes::ReadNumberText(shown, separator, back));
    Check(kes::FormatNumberText(shown, separator) == shown);

    double read = 0;
    if (kes::ReadNumberText(text, separator, read)) {
        Check(std::isfinite(read));
        const auto general = kes::GeneralNumberText(read, separator);
        double again = 0;
        if (kes::ReadNumberText(general, separator, again)) {
            Check(kes::FormatNumberValue(read, separator) == shown);
        }
    }
    return 0;
}
