// The converter's input path: trimming, hexadecimal literals and the stand-in evaluator.
// The first byte picks the locale's separators.
#include "evaluator/Evaluator.h"
#include "core/NumberText.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool comma = (data[0] & 1) != 0;
    const std::string_view decimalSeparator = comma ? "," : ".";
    const char listSeparator = comma ? ';' : ',';
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string original = text;

    const kes::HostEvaluateFn evaluate = [&](std::string& t, double& value) {
        return kes::Evaluate(t, value, decimalSeparator[0], listSeparator);
    };
    int32_t position = -1;
    const auto result = kes::ParseNumberText(text, position, decimalSeparator, evaluate);

    Check(position >= 0 && position < 1000);
    Check(text.empty() || (text.front() != ' ' && text.back() != ' '));
    Check(original.find(text) != std::string::npos);
    if (result == "ERROR") return 0;
    Check(position == 0);
    double value = 0;
    Check(kes::ReadNumberText(result, decimalSeparator, value));
    return 0;
}
