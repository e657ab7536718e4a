#pragma once
// The token selection window: the user picks the tokens that the host's
// parameter window applies its values to; the choice goes back through the
// settings store.
#include <cstdint>
#include <memory>
#include <vector>

#include "win/Controls.h"
#include "win/Form.h"
#include "win/Handles.h"

namespace kes {

// Control IDs.
inline constexpr int kTokenListBoxId = 201;
inline constexpr int kTokenHelpLabelId = 202;
inline constexpr int kCnvrtButtonId = 203;
inline constexpr int kCalcButtonId = 204;
inline constexpr int kParserButtonId = 205;

inline constexpr char kTokenHelpText[] = "Parameter values will be applied to all selected tokens.";
inline constexpr char kApplyQuestion[] =
    "Do you want to apply the parameter values to the selected tokens in the list?\r\n\r\n"
    "(To avoid this message in the future, close the parameter window first.)";

class TokenListForm : public win::Form {
  public:
    TokenListForm();

  protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, int unloadMode) override;
    void Form_Unload() override;
    void OnCommand(int id, int notifyCode, HWND control) override;

  private:
    void FillList();
    void TokenListBox_MouseUp();
    void CnvrtButton_Click();
    void CalcButton_Click();
    void ParserButton_Click();
    static LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                        UINT_PTR subclassId, DWORD_PTR refData);

    int16_t CurrentToken = 0;
    int16_t CurrentTokenIndex = 0;
    std::vector<double> values_;  // each list item's value, in list order

    HWND TokenListBox = nullptr;
    win::Tooltips tooltips_;
    win::ScopedGdiObject cnvrtFont_;
};

extern std::unique_ptr<TokenListForm> tokenListForm;

}  // namespace kes
