#pragma once
// "Units Converter": converts a level between dBm, mW, V o-p and V rms.
#include <memory>

#include "win/Form.h"

namespace kes {

class ConverterForm : public win::Form {
  public:
    ConverterForm();

  protected:
    void Form_Load() override;
    void Form_Unload() override;
};

extern std::unique_ptr<ConverterForm> converterForm;

}  // namespace kes
