#include "core/MessageLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kes {
namespace {

// The window as designed, in twips.
constexpr double kIconLeft = 200, kIconTop = 200, kIconSize = 480;
constexpr double kTextGap = 200;
constexpr double kWrapWidth = 4500;
constexpr double kButtonWidth = 924, kButtonHeight = 375;
constexpr double kButtonGap = 0.2 * kButtonWidth;
constexpr double kCheckWidth = 3090, kCheckHeight = 252;
constexpr double kPromptHeight = 195, kInputHeight = 600;
constexpr double kInputAllowance = 200, kPromptGap = 20;
constexpr double kCustomButtonMargin = 200;
constexpr double kCustomMinWindowWidth = 6590;
constexpr double kCustomRightMargin = 400;

// Whole numbers the way the classic runtime makes them: halves to even.
double WholeNumber(double v) {
    return std::nearbyint(v);
}

}  // namespace

int DefaultButtonIndex(int32_t defaultCode) {
    switch (defaultCode) {
        case kMsgDefaultSecond:
            return 1;
        case kMsgDefaultThird:
            return 2;
        case kMsgDefaultFourth:
            return 3;
        case kMsgDefaultFifth:
            return 4;
        default:
            return 0;
    }
}

namespace {

// The fixed button sets: captions left to right, each button's result, the
// button Escape presses and what the close box gives.
struct ButtonSet {
    int32_t code;
    int count;
    std::array<const char*, 3> captions;
    std::array<int32_t, 3> results;
    int escapeButton;
    int32_t closeResult;
};

constexpr ButtonSet kButtonSets[] = {
    {kMsgButtonsOk, 1, {"OK"}, {kMsgResultOk}, 0, kMsgResultOk},
    {kMsgButtonsOkCancel,
     2,
     {"OK", "Cancel"},
     {kMsgResultOk, kMsgResultCancel},
     1,
     kMsgResultCancel},
    {kMsgButtonsYesNoCancel,
     3,
     {"&Yes", "&No", "Cancel"},
     {kMsgResultYes, kMsgResultNo, kMsgResultCancel},
     2,
     kMsgResultCancel},
    {kMsgButtonsYesNo, 2, {"&Yes", "&No"}, {kMsgResultYes, kMsgResultNo}, 1, kMsgResultNo},
};

const ButtonSet* FindButtonSet(int32_t code) {
    for (const ButtonSet& set : kButtonSets)
        if (set.code == code) return &set;
    return nullptr;
}

}  // namespace

std::vector<std::string> ButtonCaptions(const MessageRequest& request) {
    if (request.MsgButtons == kMsgCustomButtons) {
        const int n = std::clamp<int>(request.MsgCaptionCount, 0, kMaxMsgCaptions);
        return {request.MsgCaptions.begin(), request.MsgCaptions.begin() + n};
    }
    const ButtonSet* set = FindButtonSet(request.MsgButtons);
    if (!set) return {};
    return {set->captions.begin(), set->captions.begin() + set->count};
}

std::optional<int32_t> ButtonResult(int32_t buttons, int index) {
    if (buttons == kMsgCustomButtons)
        return index >= 0 && index < kMaxMsgCaptions ? std::optional<int32_t>(index) : std::nullopt;
    const ButtonSet* set = FindButtonSet(buttons);
    if (!set || index < 0 || index >= set->count) return std::nullopt;
    return set->results[static_cast<std::size_t>(index)];
}

EscapeAction EscapeKey(int32_t buttons) {
    if (buttons == kMsgCustomButtons) return {EscapeAction::kCustomCancel, 0};
    const ButtonSet* set = FindButtonSet(buttons);
    if (!set) return {};
    return {EscapeAction::kPressButton, set->escapeButton};
}

std::optional<int32_t> CloseResult(int32_t buttons) {
    if (buttons == kMsgCustomButtons) return kMsgCustomCancel;
    const ButtonSet* set = FindButtonSet(buttons);
    if (!set) return std::nullopt;
    return set->closeResult;
}

namespace {

// Stage 1: the icon, and the text beside it, wrapped when it is too wide.
void LayOutText(const MessageRequest& request, const TextMeasure& measure, double lineHeight,
                MessageLayout& out) {
    out.icon = {kIconLeft, kIconTop, kIconSize, kIconSize};
    // The first line sits about level with the middle of the icon.
    LayoutRect& text = out.text;
    text.top = kIconTop + kIconSize / 2 - lineHeight / 1.5;
    text.left = kIconLeft + kIconSize + kTextGap;
    text.height = measure.height(request.MsgText) + lineHeight;
    // "WW" is slack so that the last characters never touch the edge.
    text.width = measure.width(request.MsgText + "WW");
    if (text.width > kWrapWidth) {
        text.width = kWrapWidth;
        text.height = measure.wrappedHeight(request.MsgText, kWrapWidth) + lineHeight;
    }
    switch (request.MsgIcon) {
        case kMsgIconStop:
            out.iconPicture = 1;
            break;
        case kMsgIconQuestion:
            out.iconPicture = 2;
            break;
        case kMsgIconWarning:
            out.iconPicture = 3;
            break;
        case kMsgIconInformation:
            out.iconPicture = 4;
            break;
        default:
            out.iconPicture = 0;
            break;
    }
}

// Stage 2: the buttons' width; custom captions widen the buttons and the
// window, and the text then takes the widened window.
double LayOutButtonWidth(const MessageRequest& request, const TextMeasure& measure, FrameSize frame,
                         double lineHeight, MessageLayout& out) {
    const int count = static_cast<int>(out.captions.size());
    if (request.MsgButtons != kMsgCustomButtons || count == 0) return kButtonWidth;
    double widest = 0;
    for (const auto& caption : out.captions)
        widest = std::max(widest, WholeNumber(measure.width(caption)));
    const double buttonWidth = std::max(widest + kCustomButtonMargin, kButtonWidth);
    LayoutRect& text = out.text;
    out.windowWidth = std::max(2 * text.left + count * buttonWidth + (count - 1) * kButtonGap,
                               kCustomMinWindowWidth);
    // The height of the window stays as it was.
    text.width = out.windowWidth - frame.width - text.left - kCustomRightMargin;
    text.height = measure.wrappedHeight(request.MsgText, text.width) + lineHeight;
    return buttonWidth;
}

// Stage 3: the input box under the text, the buttons under that, centred,
// and the check box centred in the band below the buttons.
void LayOutBelowText(const MessageRequest& request, const TextMeasure& measure, FrameSize frame,
                     double extraHeight, double buttonWidth, MessageLayout& out) {
    const LayoutRect& text = out.text;
    if (request.MsgInputBox) {
        out.showInput = true;
        out.prompt = {text.left, text.top + text.height, measure.width(request.MsgInputPrompt),
                      kPromptHeight};
        out.input = {out.prompt.left, out.prompt.top + out.prompt.height + kPromptGap, text.width,
                     kInputHeight};
    }
    const int count = static_cast<int>(out.captions.size());
    const double buttonTop = text.top + extraHeight + text.height + kButtonHeight / 3;
    double left =
        (out.windowWidth - frame.width - count * buttonWidth - (count - 1) * kButtonGap) / 2;
    for (int i = 0; i < count; ++i) {
        out.buttons.push_back({left, buttonTop, buttonWidth, kButtonHeight});
        left += buttonWidth + kButtonGap;
    }
    out.defaultIndex = DefaultButtonIndex(request.MsgDefault);
    for (int i = 0; i < count; ++i) out.tabOrder.push_back((out.defaultIndex + i) % count);
    if (request.MsgShowCheck) {
        out.showCheck = true;
        const double innerHeight = out.windowHeight - frame.height;
        out.check = {kIconLeft, (innerHeight + buttonTop + kButtonHeight - kCheckHeight) / 2,
                     kCheckWidth, kCheckHeight};
    }
}

}  // namespace

MessageLayout LayOutMessage(const MessageRequest& request, const TextMeasure& measure,
                            FrameSize frame) {
    MessageLayout out;
    const double lineHeight = measure.height("W");
    LayOutText(request, measure, lineHeight, out);

    // The check box's width is the minimum whether or not it shows.
    out.windowWidth = std::max(2 * kIconLeft + out.text.left + out.text.width, kCheckWidth);
    const double extraHeight =
        request.MsgInputBox ? WholeNumber(kInputHeight + kPromptHeight + kInputAllowance) : 0;
    out.windowHeight = frame.height + kIconTop + out.text.height + 2 * kButtonHeight + extraHeight +
                       (request.MsgShowCheck ? 2 * kCheckHeight : 0);

    out.captions = ButtonCaptions(request);
    const double buttonWidth = LayOutButtonWidth(request, measure, frame, lineHeight, out);
    LayOutBelowText(request, measure, frame, extraHeight, buttonWidth, out);
    return out;
}

}  // namespace kes
