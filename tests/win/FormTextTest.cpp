#include <gtest/gtest.h>

#include <windows.h>

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

// Every shown button's and label's caption is drawn whole in the control's own font. Labels
// wrap at their width, so their height is what can run short (or a word wider than the label
// runs past its edge); a check box or radio button loses the width of its box and the gap.
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
    const std::tuple<win::Form*, int> windows[] = {
        {&converter, 15}, {&tokenList, 3}, {&messageBox, 5}};
    for (const auto& [form, captions] : windows) {
        form->Load();
        ASSERT_TRUE(form->Loaded()) << captions;
        int measured = 0;
        for (HWND c = GetWindow(form->Hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t kind[16] = {};
            GetClassNameW(c, kind, 16);
            const bool label = lstrcmpiW(kind, L"Static") == 0;
            const LONG style = GetWindowLongW(c, GWL_STYLE), type = style & BS_TYPEMASK;
            const std::wstring text = win::Widen(win::GetText(c));
            if ((!label && lstrcmpiW(kind, L"Button")) || !(style & WS_VISIBLE) || text.empty())
                continue;
            ++measured;
            RECT client{}, r{};
            GetClientRect(c, &client);
            win::ScopedGetDC dc(c);
            win::ScopedSelectObject font(
                dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
            r.right = label ? client.right : 0;
            DrawTextW(dc.Get(), text.c_str(), -1, &r,
                      DT_CALCRECT | (label ? DT_WORDBREAK : DT_SINGLELINE) |
                          (label && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
            const bool boxed =
                (type >= BS_CHECKBOX && type <= BS_AUTO3STATE) || type == BS_AUTORADIOBUTTON;
            const LONG room = client.right - (label   ? 0
                                              : boxed ? GetSystemMetrics(SM_CXMENUCHECK) + 3
                                                      : 2 * GetSystemMetrics(SM_CXEDGE));
            EXPECT_LE(r.right, room) << win::GetText(c);
            EXPECT_TRUE(!label || r.bottom <= client.bottom) << win::GetText(c);
        }
        EXPECT_EQ(measured, captions);
    }
}

}  // namespace
}  // namespace kes
