#pragma once
// Forms loaded in the test process as the command processor opens them, driven
// through their real windows; the modal message box is answered from inside
// its own loop by a thread timer.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/MessageForm.h"
#include "forms/ShowMessage.h"
#include "forms/TokenListForm.h"
#include "forms/ToolWindows.h"
#include "process/Util.h"
#include "support/Harness.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace kes::test {

inline constexpr int kOffsetY = 300, kOffsetX = 4000, kTop = 4200, kLeft = 8400;

// Opens a window as the request "0@window@text@300@4000@4200@8400@remember@" does.
inline HWND OpenTool(int32_t window, std::string_view text = "", bool remember = false) {
    const auto px5 = static_cast<int32_t>(std::lround(5 * TwipsPerPixel()));
    Util().Request = {window,     std::string(text), kOffsetY, kOffsetX,
                      kTop - px5, kLeft - px5,       remember};
    ShowToolWindow();
    Pump(0);
    const bool converter = window == kWindowConverter, tokens = window == kWindowTokenList;
    return FindVisible(converter ? kConverterClass : tokens ? kTokenListClass : kHelpClass);
}

// While it lives, every message box that comes up is handed to `act` once it
// is laid out and focused (or after 3 s), from inside the box's modal loop.
struct AnswerBoxes {
    explicit AnswerBoxes(std::function<void(HWND box)> act) : act_(std::move(act)) {
        current_ = this;
    }
    ~AnswerBoxes() { KillTimer(nullptr, timer_), current_ = nullptr; }
    int Count() const { return count_; }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        AnswerBoxes* self = current_;
        const MessageForm* form = messageForm.get();
        if (!self || !form || !form->Loaded() || form == self->answered_) return;
        const HWND box = form->Hwnd();
        if (form != std::exchange(self->seen_, form)) self->seenAt_ = GetTickCount64();
        if (!IsWindowVisible(box) || !GetDlgItem(box, kMsgCheckId) ||
            (!IsChild(box, GetFocus()) && GetTickCount64() < self->seenAt_ + 3000))
            return;
        self->answered_ = form;
        ++self->count_;
        self->act_(box);
    }

    inline static AnswerBoxes* current_ = nullptr;
    std::function<void(HWND)> act_;
    UINT_PTR timer_ = SetTimer(nullptr, 0, 10, &Tick);
    int count_ = 0;
    const MessageForm* seen_ = nullptr;
    const MessageForm* answered_ = nullptr;
    ULONGLONG seenAt_ = 0;
};

inline HWND MsgButton(HWND box, int index) {
    return GetDlgItem(box, kMsgFirstButtonId + index);
}
// An answer: button `index` is clicked; the box's text is kept in *text.
inline std::function<void(HWND)> ClickButton(int index, std::string* text = nullptr) {
    return [=](HWND box) {
        if (text) *text = win::GetText(GetDlgItem(box, kMsgTextId));
        PostMessageW(MsgButton(box, index), BM_CLICK, 0, 0);
    };
}

// Every test starts with no tool window, the process state as Main leaves it,
// no token reply, and a fresh message request. A hidden form stays loaded, as
// the utility's main window does, so that no unload ends the message loops.
class FormTest : public testing::Test {
  protected:
    void SetUp() override {
        static struct HiddenMain : win::Form {
            HiddenMain() : Form({L"KesTestMain", "", 1000, 1000}) {}
        } hiddenMain;
        if (!hiddenMain.Loaded()) hiddenMain.Load();
        Pump(0);
        UtilState& util = Util();
        util.DecimalSeparator = ".";
        util.ListSeparator = ",";
        util.ShuttingDown = false;
        util.SavedHelpTop = util.SavedHelpLeft = 0;
        util.CalcTaskId = 0;
        Msg() = MessageRequest{};
        win::SettingsStore().Delete(kSectionMessages, kListMessageValue);
    }
    void TearDown() override {
        for (int32_t w : {kWindowHelpText, kWindowConverter, kWindowTokenList}) CloseToolWindow(w);
        Pump(0);
    }
};

}  // namespace kes::test
