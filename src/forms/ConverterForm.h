#pragma once
// "Units Converter": converts a level between dBm, mW, V o-p and V rms.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "win/Controls.h"
#include "win/Form.h"

namespace kes {

// Control ids; the arrays take consecutive ids from their first.
inline constexpr int kText1Id = 301;
inline constexpr int kLabel2Id = 302;
inline constexpr int kText2Id = 303;
inline constexpr int kFrame2Id = 304;
inline constexpr int kLine1Id = 305;
inline constexpr int kFrame1Id = 306;
inline constexpr int kCopyButtonId = 307;
inline constexpr int kCloseButtonId = 308;
inline constexpr int kConverterCalcButtonId = 309;
inline constexpr int kOption1Id = 310;    // indexes 0 to 3
inline constexpr int kOhmCheckId = 320;   // indexes 0 ("50 ohms") and 1 ("1 ohm")
inline constexpr int kdBmButtonId = 330;  // indexes 0 to 3

inline constexpr char kInvalidValueText[] = "The above value is invalid.";

class ConverterForm : public win::Form {
  public:
    ConverterForm();

  protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_KeyPress(int& keyAscii) override;
    void Control_KeyPress(HWND control, int& keyAscii) override;
    void OnCommand(int id, int notifyCode, HWND control) override;

  private:
    void CreateControls();
    void Text1_Change();
    void Option1_Click(int index);
    void dBmButton_Click(int index);
    void OhmCheck_MouseUp(int index);
    void CopyButton_Click();
    void CloseButton_Click();
    void CalcButton_Click();
    bool ValidateInput();

    static LRESULT CALLBACK OhmCheckProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                         UINT_PTR subclassId, DWORD_PTR refData);

    int16_t lastTarget_ = 0;
    int source_ = 0;  // the checked "Convert from" button, as designed at first
    win::Tooltips tooltips_;
};

extern std::unique_ptr<ConverterForm> converterForm;

}  // namespace kes
