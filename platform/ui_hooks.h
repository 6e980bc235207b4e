#pragma once
// How the engine reaches the user without depending on a GUI: message boxes,
// small status windows and message pumping go through UiHooks, which the
// desktop side installs. The headless defaults write message boxes to
// standard error, draw status windows nowhere and pump nothing.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class MessageIcon { kError, kWarning, kInformation };

struct TextSize {
  int width = 0;
  int height = 0;
};

// One borderless (or dialog-bordered) stay-on-top status window. The engine
// decides its size and text; the view only measures and draws.
class StatusView {
 public:
  virtual ~StatusView() = default;
  // Size of `text` in the window's font; `caption_font` measures in the
  // font used for captions instead.
  virtual TextSize Measure(const std::string& text, bool caption_font) = 0;
  // Height of a window caption bar.
  virtual int CaptionHeight() = 0;
  // Gives the window a border (dialog with caption) or none, a client size,
  // centres it over the window that was active at creation (or the screen)
  // and shows it.
  virtual void Place(bool dialog_border, const std::string& caption, int width, int height) = 0;
  // Puts text into the window's text panel and repaints it.
  virtual void SetText(const std::string& text) = 0;
};

class UiHooks {
 public:
  virtual ~UiHooks() = default;
  // Shows a modal message box; returns when the user closed it.
  virtual void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon);
  virtual std::unique_ptr<StatusView> CreateStatusView();
  // Lets the application handle its pending window messages.
  virtual void ProcessMessages() {}
  // Blocks until a window message arrives or `milliseconds` have passed,
  // whichever comes first, using no processor meanwhile; it does not handle
  // the message (ProcessMessages does). Headless there are no messages, so
  // it sleeps the whole time through the clock.
  virtual void WaitForMessages(uint32_t milliseconds);
  // True once the application has started to end.
  virtual bool Terminating() { return false; }
};

// The hooks in force; SetUiHooks(nullptr) restores the headless defaults.
UiHooks& Ui();
void SetUiHooks(UiHooks* hooks);

}  // namespace platform
