#pragma once
// The micro-help window: the parser function list, or a text from the host.
#include <memory>

#include "win/Form.h"
#include "win/Handles.h"

namespace kes {

// Control IDs.
inline constexpr int kHelpTextId = 101;
inline constexpr int kHelpOkButtonId = 102;

class HelpForm : public win::Form {
  public:
    HelpForm();

  protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyPress(int& keyAscii) override;
    void OnCommand(int id, int notifyCode, HWND control) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void BuildHelpTopic();
    void OKButton_Click();
    void AlignDescriptions();

    HWND HelpText = nullptr;
    HWND OKButton = nullptr;
    win::ScopedGdiObject helpFont_;
};

extern std::unique_ptr<HelpForm> helpForm;

}  // namespace kes
