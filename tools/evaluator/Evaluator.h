#pragma once
#include <cstdint>
#include <string_view>

namespace kes {

// The stand-in for the host's expression evaluator (grammar of the parser
// function list). Returns 1 with `value` set on success. On failure `value`
// is left unchanged and the result is -(1000 + k) for a syntax error at
// 0-based offset k (k < 1000), or -2000 for an error without a position
// (math domain, non-finite result, offsets beyond 999).
int32_t Evaluate(std::string_view text, double& value, char decimalSeparator, char listSeparator);

}  // namespace kes
