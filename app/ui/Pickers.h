#pragma once
// The common dialogs the properties, configuration and template dialogs
// open: font, colour and sound file. Behind one small interface so tests
// can answer them without a modal dialog waiting for a person.
#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QWidget;

namespace qp {

class Pickers {
 public:
  virtual ~Pickers() = default;
  // Each returns nothing when the user cancels.
  virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;
  virtual std::optional<QColor> color(QWidget* parent, const QColor& initial, const QString& title) = 0;
  virtual std::optional<QString> soundFile(QWidget* parent, const QString& initial) = 0;
};

// Qt's own font and colour dialogs and its open-file dialog.
class DesktopPickers : public Pickers {
 public:
  std::optional<QFont> font(QWidget* parent, const QFont& initial) override;
  std::optional<QColor> color(QWidget* parent, const QColor& initial, const QString& title) override;
  std::optional<QString> soundFile(QWidget* parent, const QString& initial) override;
};

// The pickers a dialog uses when its owner gives none.
Pickers& DefaultPickers();

// Caption fonts are kept without style, between 6 and 12 points, as the
// note record and the caption strip expect: what a font dialog returns is
// brought into that range.
QFont CaptionFontFrom(const QFont& chosen);

}  // namespace qp
