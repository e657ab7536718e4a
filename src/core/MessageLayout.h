#pragma once
// The message box request and the arithmetic of its layout and results. No
// window here: the window hands in its text measurements and frame size and
// applies what comes back, so every figure can be checked without a screen.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/HostContract.h"

namespace kes {

inline constexpr int kMaxMsgCaptions = 6;

// One request at a time: the inputs that ShowMessage fills (and the ones a
// caller sets beforehand for the custom buttons and the input box), and the
// outputs the box writes when it closes. Outputs carry over between requests.
struct MessageRequest {
    std::string MsgText;
    int32_t MsgIcon = 0;
    int32_t MsgButtons = 0;
    std::string MsgTitle;
    bool MsgShowCheck = false;
    int32_t MsgDefault = 0;
    bool MsgQuietFlag = false;

    std::array<std::string, kMaxMsgCaptions> MsgCaptions;
    int16_t MsgCaptionCount = 0;
    bool MsgInputBox = false;
    std::string MsgInputPrompt;
    std::string MsgInputDefault;

    int32_t MsgResult = 0;
    bool MsgCheckState = false;
    std::string MsgInputText;
};

// Text measurement in the message's font, in twips.
struct TextMeasure {
    // Width of the longest line.
    std::function<double(std::string_view)> width;
    // Height of all lines.
    std::function<double(std::string_view)> height;
    // Height of the text word-wrapped at the given width, as an auto-sizing label grows.
    std::function<double(std::string_view, double)> wrappedHeight;
};

struct LayoutRect {
    double left = 0, top = 0, width = 0, height = 0;
};

struct MessageLayout {
    double windowWidth = 0;  // outer size
    double windowHeight = 0;
    LayoutRect icon;
    LayoutRect text;
    std::vector<LayoutRect> buttons;  // index = array index
    std::vector<std::string> captions;
    bool showCheck = false;
    LayoutRect check;
    bool showInput = false;
    LayoutRect prompt;
    LayoutRect input;
    int iconPicture = 0;  // 1 stop, 2 question, 3 warning, 4 information; 0 none
    int defaultIndex = 0;
    std::vector<int> tabOrder;  // button indices, first tab position first
};

// The window's frame: outer size less client size.
struct FrameSize {
    double width = 0;
    double height = 0;
};

MessageLayout LayOutMessage(const MessageRequest& request, const TextMeasure& measure,
                            FrameSize frame);

// Button array index of the default button for a default-button code.
int DefaultButtonIndex(int32_t defaultCode);
// The captions of a button set; empty for an unsupported code.
std::vector<std::string> ButtonCaptions(const MessageRequest& request);

// Result of pressing button `index` of the set, or nothing for a combination
// the set does not have.
std::optional<int32_t> ButtonResult(int32_t buttons, int index);
// What Escape does in a button set: press one of its buttons, close the custom
// set with kMsgCustomCancel, or nothing (unsupported set).
struct EscapeAction {
    enum Kind { kIgnore, kPressButton, kCustomCancel } kind = kIgnore;
    int button = 0;
};
EscapeAction EscapeKey(int32_t buttons);
// Result of a close from outside the program (close box, system menu); nothing
// means the close is refused.
std::optional<int32_t> CloseResult(int32_t buttons);

}  // namespace kes
