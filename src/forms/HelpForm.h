#pragma once
// The micro-help window: the parser function list, or a text from the host.
#include <memory>

#include "win/Form.h"

namespace kes {

class HelpForm : public win::Form {
  public:
    HelpForm();

  protected:
    void Form_Load() override;
    void Form_Unload() override;

  private:
    void BuildHelpTopic();
};

extern std::unique_ptr<HelpForm> helpForm;

}  // namespace kes
