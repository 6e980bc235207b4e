#pragma once
// The engine's two small status windows. TXbMsg shows one text centred over
// the window that was active when it was made; TXbProgress100 shows a bar of
// '|' characters that shortens by one per Step, to show activity during long
// builds. Both draw through a platform::StatusView from platform::Ui(), and
// every update lets the application process its pending messages, so the
// caller's own handlers may run inside ShowText and Step.
#include <memory>
#include <string>

#include "platform/ui_hooks.h"

namespace xb {

class TXbMsg {
 public:
  TXbMsg();
  virtual ~TXbMsg();
  TXbMsg(const TXbMsg&) = delete;
  TXbMsg& operator=(const TXbMsg&) = delete;

  // Shows the current text again / makes `text` the window's text and shows
  // it. The window gets a dialog border when it has a caption and none
  // otherwise, grows to fit the text (it never shrinks while the border
  // stays) and is centred again whenever its size or border changes.
  void ShowText();
  void ShowText(const std::string& text);

  const std::string& Text() const { return text_; }
  const std::string& Caption() const { return caption_; }
  // Takes effect at the next ShowText.
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  bool HasDialogBorder() const { return dialog_border_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  static constexpr int kMargin = 30;

 private:
  std::unique_ptr<platform::StatusView> view_;
  std::string text_;
  std::string caption_;
  bool dialog_border_ = false;
  int width_ = 0;
  int height_ = 0;
};

class TXbProgress100 : public TXbMsg {
 public:
  static constexpr int kBarLength = 100;
  explicit TXbProgress100(std::string caption = "Progress");
  // One step of activity: the bar loses one '|'; the step that would leave
  // it empty fills it again, so every 100 steps the full bar returns.
  void Step();
  const std::string& Bar() const { return bar_; }

 private:
  std::string bar_;
};

}  // namespace xb
