#include "core/TokenRequest.h"

#include <cmath>
#include <string>

#include "core/NumberText.h"
#include "core/TextUtil.h"

namespace kes {
namespace {

constexpr int kUnloadByCode = 1;

}  // namespace

bool TextToInt16(std::string_view text, std::string_view decimalSeparator, int16_t& value) {
    double v = 0;
    if (!ReadNumberText(TrimBlanks(text), decimalSeparator, v)) return false;
    const double rounded = std::nearbyint(v);  // the default mode: halves to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) return false;
    value = static_cast<int16_t>(rounded);
    return true;
}

TokenRequest ParseTokenRequest(std::string_view requestText, std::string_view decimalSeparator) {
    TokenRequest request;
    std::size_t field = 0;
    std::size_t start = 0;
    for (std::size_t end = requestText.find(kTokenSeparator); end != std::string_view::npos;
         start = end + 1, end = requestText.find(kTokenSeparator, start), ++field) {
        const std::string_view text = requestText.substr(start, end - start);
        if (field == 0) {
            TextToInt16(text, decimalSeparator, request.CurrentToken);
        } else if (field == 1) {
            request.captionPrefix = std::string(text);
        } else {
            TokenCandidate candidate{std::string(text),
                                     TextToValue(text, decimalSeparator).AsDouble(), false};
            if (candidate.value == request.CurrentToken) {
                candidate.selected = true;
                // A list longer than the 16-bit index can hold keeps the last index it could.
                if (request.candidates.size() <= 32767)
                    request.CurrentTokenIndex = static_cast<int16_t>(request.candidates.size());
            }
            request.candidates.push_back(std::move(candidate));
        }
    }
    return request;
}

TokenReply BuildTokenReply(int16_t currentToken, int16_t currentTokenIndex,
                           const std::vector<double>& values, const std::vector<bool>& selected,
                           std::string_view decimalSeparator) {
    TokenReply reply;
    reply.text = std::to_string(currentToken) + kTokenSeparator;
    for (std::size_t i = 0; i < values.size() && i < selected.size(); ++i) {
        if (!selected[i]) continue;
        reply.text += GeneralNumberText(values[i], decimalSeparator) + kTokenSeparator;
        if (static_cast<long long>(i) != currentTokenIndex) reply.otherTokenSelected = true;
    }
    return reply;
}

bool AsksBeforeSaving(int unloadMode, bool otherTokenSelected) {
    return unloadMode != kUnloadByCode && otherTokenSelected;
}

TokenCloseAction ActionForAnswer(int32_t answer) {
    if (answer == kMsgResultCancel) return TokenCloseAction::KeepOpen;
    if (answer == kMsgResultNo) return TokenCloseAction::CloseWithoutReply;
    return TokenCloseAction::Save;
}

}  // namespace kes
