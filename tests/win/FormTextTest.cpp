#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <tuple>

#include "forms/ConverterForm.h"
#include "forms/MessageForm.h"
#include "forms/TokenListForm.h"
#include "forms/ShowMessage.h"
#include "win/Handles.h"
#include "win/WinText.h"

namespace kes {
namespace {

// What a caption needs and the room its control gives it, in pixels.
struct Fit {
    LONG need = 0, room = 0;
};

// A shown button's or label's caption, measured in the control's own font.
// Labels wrap at their width, so their height is what can run short; a check
// box or radio button loses the width of its box and the gap after it.
std::optional<Fit> Measure(HWND control) {
    wchar_t windowClass[16] = {};
    GetClassNameW(control, windowClass, 16);
    const bool label = lstrcmpiW(windowClass, L"Static") == 0;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = win::Widen(win::GetText(control));
    if ((!label && lstrcmpiW(windowClass, L"Button") != 0) || !(style & WS_VISIBLE) || text.empty())
        return std::nullopt;
    RECT client{};
    GetClientRect(control, &client);
    win::ScopedGetDC dc(control);
    win::ScopedSelectObject font(
        dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, label ? client.right : 0, 0};
    if (label) {
        DrawTextW(dc.Get(), text.c_str(), -1, &r,
                  DT_CALCRECT | DT_WORDBREAK | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
        // A word wider than the label runs past its edge.
        return r.right > client.right ? Fit{r.right, client.right} : Fit{r.bottom, client.bottom};
    }
    DrawTextW(dc.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    const LONG type = style & BS_TYPEMASK;
    // Check boxes, radio buttons and three-state boxes.
    const bool boxed = (type >= BS_CHECKBOX && type <= BS_AUTO3STATE) || type == BS_AUTORADIOBUTTON;
    return Fit{r.right, client.right - (boxed ? GetSystemMetrics(SM_CXMENUCHECK) + 3
                                              : 2 * GetSystemMetrics(SM_CXEDGE))};
}

TEST(FormText, EveryCaptionAndLabelIsDrawnWhole) {
    MessageRequest& msg = Msg();
    msg.MsgText = "Proceed?";
    msg.MsgButtons = 3;
    msg.MsgShowCheck = msg.MsgInputBox = true;
    msg.MsgInputPrompt = "Name:";
    ConverterForm converter;
    TokenListForm tokenList;
    MessageForm messageBox;
    // Each window with the number of its captions, so that none goes unmeasured.
    const std::tuple<const char*, win::Form*, int> windows[] = {{"converter", &converter, 15},
                                                                {"token list", &tokenList, 3},
                                                                {"message box", &messageBox, 5}};
    for (const auto& [window, form, captions] : windows) {
        form->Load();
        ASSERT_TRUE(form->Loaded()) << window;
        int measured = 0;
        for (HWND c = GetWindow(form->Hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const std::optional<Fit> fit = Measure(c);
            if (!fit) continue;
            ++measured;
            EXPECT_LE(fit->need, fit->room)
                << window << " \"" << win::GetText(c) << "\": " << fit->need << " px needed, "
                << fit->room << " px room";
        }
        EXPECT_EQ(measured, captions) << window;
    }
}

}  // namespace
}  // namespace kes
