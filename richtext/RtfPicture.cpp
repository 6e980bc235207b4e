#include "richtext/RtfPicture.h"

#include <algorithm>

namespace qp {

void RtfPicture::onWord(std::string_view word, bool hasParam, int32_t param) {
  if (word == "pngblip") {
    format_ = Format::Png;
  } else if (word == "jpegblip") {
    format_ = Format::Jpeg;
  } else if (word == "wmetafile" || word == "emfblip" || word == "macpict" ||
             word == "dibitmap" || word == "wbitmap" || word == "pmmetafile") {
    format_ = Format::Other;
  } else if (word == "picwgoal") {
    goalWidth_ = std::clamp<int32_t>(param, 0, 1000000);
  } else if (word == "pichgoal") {
    goalHeight_ = std::clamp<int32_t>(param, 0, 1000000);
  } else if (word == "picscalex" && hasParam) {
    scaleX_ = std::clamp<int32_t>(param, 1, 1000);
  } else if (word == "picscaley" && hasParam) {
    scaleY_ = std::clamp<int32_t>(param, 1, 1000);
  }
}

void RtfPicture::appendHex(std::string_view digits) {
  for (char c : digits) {
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      continue;  // blanks between digits are allowed
    }
    if (pendingNibble_ < 0) {
      pendingNibble_ = v;
    } else {
      if (data_.size() < kMaxBytes) data_.append(char(pendingNibble_ * 16 + v));
      pendingNibble_ = -1;
    }
  }
}

void RtfPicture::appendBinary(std::string_view bytes) {
  const qsizetype room = kMaxBytes - data_.size();
  data_.append(bytes.data(), std::min<qsizetype>(room, qsizetype(bytes.size())));
}

void RtfPicture::finish() {
  if (format_ != Format::Png && format_ != Format::Jpeg) return;
  // QImage refuses pictures whose declared size exceeds its allocation
  // limit, so a forged header cannot make us allocate gigabytes.
  image_ = QImage::fromData(data_, format_ == Format::Png ? "PNG" : "JPEG");
}

QSizeF RtfPicture::displaySize() const {
  double w = goalWidth_ > 0 ? goalWidth_ / 15.0 : image_.width();
  double h = goalHeight_ > 0 ? goalHeight_ / 15.0 : image_.height();
  w = std::min(w * scaleX_ / 100.0, kMaxPixels);
  h = std::min(h * scaleY_ / 100.0, kMaxPixels);
  return QSizeF(w, h);
}

}  // namespace qp
