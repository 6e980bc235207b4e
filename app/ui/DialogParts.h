#pragma once
// Small pieces the program's dialogs share.
#include <QKeyEvent>
#include <QLabel>

#include "app/ui/Pickers.h"
#include "app/ui/Seams.h"

namespace qp {

// Names a control as the dialogs' tests and the help pages refer to it.
template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// The "Example Note Caption" sample: shows a caption font with its colour
// and keeps both, as the note record stores them (no style, 6..12 points).
class CaptionSample : public QLabel {
 public:
  explicit CaptionSample(QWidget* parent) : QLabel("Example Note Caption", parent) {
    setObjectName("LblSampleCaption");
  }
  void setCaptionFont(const QFont& font, const QColor& color) {
    setFont(CaptionFontFrom(font));
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
  }
  // Fills from the record's face, size and colour; a blank face keeps the
  // current one and a size of 0 reads as 8 points.
  void setCaptionFont(const QString& face, int points, const QColor& color) {
    QFont f(face.isEmpty() ? font().family() : face);
    f.setPointSize(points > 0 ? points : 8);
    setCaptionFont(f, color);
  }
  QColor captionColor() const { return color_; }
  void chooseFont(Pickers& pickers) {
    if (auto chosen = pickers.font(this, font())) setCaptionFont(*chosen, color_);
  }
  void chooseColor(Pickers& pickers) {
    if (auto chosen = pickers.color(this, color_, "Caption Color")) setCaptionFont(font(), *chosen);
  }

 private:
  QColor color_ = Qt::black;
};

// F1 opens the help page at the dialog's context.
inline bool HelpKey(QKeyEvent* event, Help* help, int context) {
  if (event->key() != Qt::Key_F1 || !help) return false;
  help->show(context);
  return true;
}

}  // namespace qp
