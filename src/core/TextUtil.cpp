#include "core/TextUtil.h"

namespace kes {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string FixLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::string FileNameOf(std::string_view path) {
    if (TrimBlanks(path).empty()) return {};
    const auto slash = path.rfind('\\');
    const auto tail = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(TrimBlanks(tail));
}

}  // namespace kes
