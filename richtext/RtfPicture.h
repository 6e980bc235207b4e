#pragma once
// RtfPicture collects one \pict group: its blip type, sizes and the picture
// bytes given as hex digits or \bin data, and decodes PNG and JPEG pictures.
// Metafiles and device-dependent bitmaps are collected but give no image;
// writers that produce them usually offer a PNG in \shppict as well.
//
// Promises: at most kMaxBytes of picture data are kept, and the display
// size is at most kMaxPixels on either side, whatever the input declares.
#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <cstdint>
#include <string_view>

namespace qp {

class RtfPicture {
 public:
  static constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;
  static constexpr double kMaxPixels = 10000;

  void onWord(std::string_view word, bool hasParam, int32_t param);
  void appendHex(std::string_view digits);
  void appendBinary(std::string_view bytes);
  // Decodes the collected data; call once at the end of the group.
  void finish();

  const QImage& image() const { return image_; }
  const QByteArray& data() const { return data_; }
  // Size in pixels at 96 dpi from \picwgoal/\pichgoal and \picscalex/y,
  // falling back to the image's own size.
  QSizeF displaySize() const;

 private:
  enum class Format { Unknown, Png, Jpeg, Other };

  Format format_ = Format::Unknown;
  QByteArray data_;
  int pendingNibble_ = -1;
  int goalWidth_ = 0;   // twips
  int goalHeight_ = 0;  // twips
  int scaleX_ = 100;    // percent
  int scaleY_ = 100;
  QImage image_;
};

}  // namespace qp
