#include "platform/ui_hooks.h"

#include <cstdio>

#include "platform/clock.h"

namespace platform {
namespace {

// Headless status window: measures text as fixed-width cells and draws
// nothing, so the engine's sizing logic still runs.
class HeadlessStatusView : public StatusView {
 public:
  TextSize Measure(const std::string& text, bool) override {
    return {static_cast<int>(text.size()) * 8, 16};
  }
  int CaptionHeight() override { return 19; }
  void Place(bool, const std::string&, int, int) override {}
  void SetText(const std::string&) override {}
};

UiHooks* g_hooks = nullptr;

}  // namespace

void UiHooks::MessageBox(const std::string& caption, const std::string& text, MessageIcon) {
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void UiHooks::WaitForMessages(uint32_t milliseconds) {
  Sleep(std::chrono::milliseconds(milliseconds));
}

std::unique_ptr<StatusView> UiHooks::CreateStatusView() {
  return std::make_unique<HeadlessStatusView>();
}

UiHooks& Ui() {
  static UiHooks headless;
  return g_hooks ? *g_hooks : headless;
}

void SetUiHooks(UiHooks* hooks) { g_hooks = hooks; }

}  // namespace platform
