#include "core/MessageLayout.h"

#include <algorithm>
#include <cmath>

namespace kes {
namespace {

// The window as designed, in twips.
constexpr double kIconLeft = 200, kIconTop = 200, kIconSize = 480;
constexpr double kTextGap = 200;
constexpr double kWrapWidth = 4500;
constexpr double kButtonWidth = 924, kButtonHeight = 375;
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
        case 256:
            return 1;
        case 512:
            return 2;
        case 768:
            return 3;
        case 5:
            return 4;
        default:
            return 0;
    }
}

std::vector<std::string> ButtonCaptions(const MessageRequest& request) {
    switch (request.MsgButtons) {
        case 0:
            return {"OK"};
        case 1:
            return {"OK", "Cancel"};
        case 3:
            return {"&Yes", "&No", "Cancel"};
        case 4:
            return {"&Yes", "&No"};
        case kMsgCustomButtons: {
            const int n = std::clamp<int>(request.MsgCaptionCount, 0, kMaxMsgCaptions);
            return {request.MsgCaptions.begin(), request.MsgCaptions.begin() + n};
        }
        default:
            return {};
    }
}

std::optional<int32_t> ButtonResult(int32_t buttons, int index) {
    static constexpr int32_t kOk[] = {1}, kOkCancel[] = {1, 2}, kYesNoCancel[] = {6, 7, 2},
                             kYesNo[] = {6, 7};
    auto pick = [index](const auto& results) -> std::optional<int32_t> {
        if (index < 0 || index >= static_cast<int>(std::size(results))) return std::nullopt;
        return results[index];
    };
    switch (buttons) {
        case 0:
            return pick(kOk);
        case 1:
            return pick(kOkCancel);
        case 3:
            return pick(kYesNoCancel);
        case 4:
            return pick(kYesNo);
        case kMsgCustomButtons:
            if (index >= 0 && index < kMaxMsgCaptions) return index;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

EscapeAction EscapeKey(int32_t buttons) {
    switch (buttons) {
        case 0:
            return {EscapeAction::kPressButton, 0};
        case 1:
            return {EscapeAction::kPressButton, 1};
        case 3:
            return {EscapeAction::kPressButton, 2};
        case 4:
            return {EscapeAction::kPressButton, 1};
        case kMsgCustomButtons:
            return {EscapeAction::kCustomCancel, 0};
        default:
            return {};
    }
}

std::optional<int32_t> CloseResult(int32_t buttons) {
    switch (buttons) {
        case 0:
            return 1;
        case 1:
        case 3:
            return 2;
        case 4:
            return 7;
        case kMsgCustomButtons:
            return kMsgCustomCancel;
        default:
            return std::nullopt;
    }
}

MessageLayout LayOutMessage(const MessageRequest& request, const TextMeasure& measure,
                            FrameSize frame) {
    MessageLayout out;
    const double buttonGap = 0.2 * kButtonWidth;
    const double lineHeight = measure.height("W");

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

    // The check box's width is the minimum whether or not it shows.
    out.windowWidth = std::max(2 * kIconLeft + text.left + text.width, kCheckWidth);
    const double extraHeight =
        request.MsgInputBox ? WholeNumber(kInputHeight + kPromptHeight + kInputAllowance) : 0;
    out.windowHeight = frame.height + kIconTop + text.height + 2 * kButtonHeight + extraHeight +
                       (request.MsgShowCheck ? 2 * kCheckHeight : 0);

    out.captions = ButtonCaptions(request);
    const int count = static_cast<int>(out.captions.size());
    double buttonWidth = kButtonWidth;
    if (request.MsgButtons == kMsgCustomButtons && count > 0) {
        double widest = 0;
        for (const auto& caption : out.captions)
            widest = std::max(widest, WholeNumber(measure.width(caption)));
        buttonWidth = std::max(widest + kCustomButtonMargin, kButtonWidth);
        out.windowWidth = std::max(2 * text.left + count * buttonWidth + (count - 1) * buttonGap,
                                   kCustomMinWindowWidth);
        // The text takes the widened window; the height stays as it was.
        text.width = out.windowWidth - frame.width - text.left - kCustomRightMargin;
        text.height = measure.wrappedHeight(request.MsgText, text.width) + lineHeight;
    }
    const double innerWidth = out.windowWidth - frame.width;
    const double innerHeight = out.windowHeight - frame.height;

    const double buttonTop = text.top + extraHeight + text.height + kButtonHeight / 3;
    double left = (innerWidth - count * buttonWidth - (count - 1) * buttonGap) / 2;
    for (int i = 0; i < count; ++i) {
        out.buttons.push_back({left, buttonTop, buttonWidth, kButtonHeight});
        left += buttonWidth + buttonGap;
    }

    switch (request.MsgIcon) {
        case 16:
            out.iconPicture = 1;
            break;
        case 32:
            out.iconPicture = 2;
            break;
        case 48:
            out.iconPicture = 3;
            break;
        case 64:
            out.iconPicture = 4;
            break;
        default:
            out.iconPicture = 0;
            break;
    }

    if (request.MsgInputBox) {
        out.showInput = true;
        out.prompt = {text.left, text.top + text.height, measure.width(request.MsgInputPrompt),
                      kPromptHeight};
        out.input = {out.prompt.left, out.prompt.top + out.prompt.height + kPromptGap, text.width,
                     kInputHeight};
    }

    out.defaultIndex = DefaultButtonIndex(request.MsgDefault);
    for (int i = 0; i < count; ++i) out.tabOrder.push_back((out.defaultIndex + i) % count);

    if (request.MsgShowCheck) {
        out.showCheck = true;
        // Centred in the band between the buttons and the window's bottom.
        out.check = {kIconLeft, (innerHeight + buttonTop + kButtonHeight - kCheckHeight) / 2,
                     kCheckWidth, kCheckHeight};
    }
    return out;
}

}  // namespace kes
