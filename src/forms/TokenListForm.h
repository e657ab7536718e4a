#pragma once
// The token selection window: the user picks the tokens that the host's
// parameter window applies its values to; the choice goes back through the
// settings store.
#include <memory>

#include "win/Form.h"

namespace kes {

class TokenListForm : public win::Form {
  public:
    TokenListForm();

  protected:
    void Form_Load() override;
    void Form_Unload() override;
};

extern std::unique_ptr<TokenListForm> tokenListForm;

}  // namespace kes
