#pragma once
// The message box that ShowMessage shows modally: selectable message text, an
// icon, a row of buttons, an optional check box and an optional input box.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/MessageLayout.h"
#include "win/Form.h"

namespace kes {

// Control ids: tests find the controls with GetDlgItem.
inline constexpr int kMsgTextId = 100;
inline constexpr int kMsgIconId = 101;
inline constexpr int kMsgCheckId = 102;
inline constexpr int kMsgPromptId = 103;
inline constexpr int kMsgInputId = 104;
inline constexpr int kMsgFirstButtonId = 110;  // OKButton(i) is kMsgFirstButtonId + i

class MessageForm : public win::Form {
  public:
    MessageForm();

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(bool& cancel, int unloadMode) override;
    void Form_Unload() override;
    void Form_KeyDown(int& keyCode, int shift) override;
    void OnCommand(int id, int notifyCode, HWND control) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void CreateButtons(const MessageLayout& layout);
    void ShowAt(int id, const LayoutRect& place,
                std::optional<std::string_view> text = std::nullopt);
    void OKButton_Click(int index);
    void Form_MouseDown();
    void msgText_LostFocus();
    HWND OKButton(int index) const;

    int DefaultIndex = 0;
    int ButtonCount = 0;
    std::vector<HWND> buttons_;
};

extern std::unique_ptr<MessageForm> messageForm;

}  // namespace kes
