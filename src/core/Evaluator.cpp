#include "core/Evaluator.h"

namespace kes {

int32_t Evaluate(std::string_view text, double& value, char decimalSeparator, char listSeparator) {
    (void)text;
    (void)value;
    (void)decimalSeparator;
    (void)listSeparator;
    return -2000;
}

}  // namespace kes
