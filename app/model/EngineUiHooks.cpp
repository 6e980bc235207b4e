#include "app/model/EngineUiHooks.h"

#include <QCoreApplication>

namespace qp {

EngineUiHooks::EngineUiHooks(ShowMessage showMessage, IsEnding isEnding)
    : show_message_(std::move(showMessage)), is_ending_(std::move(isEnding)) {}

void EngineUiHooks::install() {
  platform::SetUiHooks(this);
  installed_ = true;
}

EngineUiHooks::~EngineUiHooks() {
  // The engine must never call into hooks that are gone.
  if (installed_) platform::SetUiHooks(nullptr);
}

void EngineUiHooks::MessageBox(const std::string& caption, const std::string& text, platform::MessageIcon) {
  if (show_message_) show_message_(QString::fromLocal8Bit(caption), QString::fromLocal8Bit(text));
}

void EngineUiHooks::ProcessMessages() {
  // Without an application object there is no event loop to pump.
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

bool EngineUiHooks::Terminating() { return is_ending_ && is_ending_(); }

}  // namespace qp
