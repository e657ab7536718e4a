#pragma once
// The token selection window's decisions that need no window: how the host's
// request text splits into the current token, the caption prefix and the
// candidates, what the reply looks like, and what the user's answer does.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/HostContract.h"

namespace kes {

struct TokenCandidate {
    std::string text;  // shown as the list item
    double value = 0;  // what the item stands for in the reply
    bool selected = false;
};

struct TokenRequest {
    int16_t CurrentToken = 0;
    std::string captionPrefix;
    std::vector<TokenCandidate> candidates;
    // The last candidate whose value equals CurrentToken; 0 when none does.
    int16_t CurrentTokenIndex = 0;
};

// current~prefix~item~item~ ; a field counts only when a "~" ends it.
TokenRequest ParseTokenRequest(std::string_view requestText, std::string_view decimalSeparator);

// The 16-bit integer a text converts to, rounding halves to even; false (value
// unchanged) for text that is not a number or lies outside the range.
bool TextToInt16(std::string_view text, std::string_view decimalSeparator, int16_t& value);

struct TokenReply {
    std::string text;  // "current~value~value~"
    bool otherTokenSelected = false;
};

// values and selected run in list order and have the same length.
TokenReply BuildTokenReply(int16_t currentToken, int16_t currentTokenIndex,
                           const std::vector<double>& values, const std::vector<bool>& selected,
                           std::string_view decimalSeparator);

// The question before saving is asked only when the user (or the system)
// closes the window and tokens other than the current one are selected.
bool AsksBeforeSaving(int unloadMode, bool otherTokenSelected);

enum class TokenCloseAction {
    Save,               // store the reply and close
    CloseWithoutReply,  // close, store nothing
    KeepOpen,           // cancel the close
};
// What the message box's answer code does.
TokenCloseAction ActionForAnswer(int32_t answer);

}  // namespace kes
