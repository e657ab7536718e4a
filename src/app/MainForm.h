#pragma once
// The hidden main window: the DDE server that requests arrive at, and the
// watchdog that ends the process with the host.
#include <memory>
#include <string>

#include "win/Dde.h"
#include "win/Form.h"

namespace kes {

class MainForm : public win::Form {
  public:
    MainForm();

    // Only the first instance serves the DDE topic.
    bool StartDdeServer();
    // A -2 request: poll every 10 ms from now on.
    void FastWatchdog();

    void Form_LinkExecute(const std::string& commandText, int& cancel);

  protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, int unloadMode) override;
    void Form_Unload() override;
    void OnTimer(UINT_PTR id) override;

  private:
    void utilTimer_Timer();
    void SetUtilTimer(unsigned intervalMs, bool enabled);

    win::DdeServer dde_;
    unsigned utilTimerInterval_ = 0;
    bool utilTimerEnabled_ = false;
};

extern std::unique_ptr<MainForm> mainForm;

}  // namespace kes
