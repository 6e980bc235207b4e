#include "engine/table/xbmsg.h"

#include <algorithm>

namespace xb {

TXbMsg::TXbMsg() : view_(platform::Ui().CreateStatusView()) {}

TXbMsg::~TXbMsg() = default;

void TXbMsg::ShowText(const std::string& text) {
  text_ = text;
  ShowText();
}

void TXbMsg::ShowText() {
  if (!view_) return;
  const platform::TextSize text_size = view_->Measure(text_, false);

  const bool want_dialog = !caption_.empty();
  const bool border_changed = want_dialog != dialog_border_;
  dialog_border_ = want_dialog;

  int caption_height = 0, caption_width = 0;
  if (dialog_border_) {
    caption_height = view_->CaptionHeight();
    caption_width = view_->Measure(caption_, true).width;
  }
  const int needed_width = std::max(text_size.width + kMargin, caption_width);
  const int needed_height = text_size.height + kMargin + caption_height;

  if (width_ < needed_width || height_ < needed_height || border_changed) {
    // A new border starts from the needed size; otherwise only grow.
    width_ = border_changed ? needed_width : std::max(width_, needed_width);
    height_ = border_changed ? needed_height : std::max(height_, needed_height);
    view_->Place(dialog_border_, caption_, width_, height_);
  }
  view_->SetText(text_);
  platform::Ui().ProcessMessages();
}

TXbProgress100::TXbProgress100(std::string caption) : bar_(kBarLength, '|') {
  SetCaption(std::move(caption));
  ShowText(bar_);
}

void TXbProgress100::Step() {
  if (!bar_.empty()) bar_.erase(0, 1);
  if (bar_.empty()) bar_.assign(kBarLength, '|');
  ShowText(bar_);
}

}  // namespace xb
