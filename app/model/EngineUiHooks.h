#pragma once
// Connects the storage engine's user-interface hooks to the program. Lock
// waits and long engine loops pump the Qt event loop, so windows repaint and
// timers run while the engine waits; messages the engine means for the user
// go to the program's message seam instead of standard error. Headless code
// (tests, tools) never installs this and keeps the engine's quiet defaults.
#include <QString>
#include <functional>

#include "platform/ui_hooks.h"

namespace qp {

class EngineUiHooks : public platform::UiHooks {
 public:
  using ShowMessage = std::function<void(const QString& caption, const QString& text)>;
  using IsEnding = std::function<bool()>;

  EngineUiHooks(ShowMessage showMessage, IsEnding isEnding);
  // Installs itself as the engine's hooks for its lifetime.
  void install();
  ~EngineUiHooks() override;

  void MessageBox(const std::string& caption, const std::string& text, platform::MessageIcon icon) override;
  void ProcessMessages() override;
  bool Terminating() override;

 private:
  ShowMessage show_message_;
  IsEnding is_ending_;
  bool installed_ = false;
};

}  // namespace qp
