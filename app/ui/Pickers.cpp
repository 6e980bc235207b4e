#include "app/ui/Pickers.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <algorithm>

namespace qp {

std::optional<QFont> DesktopPickers::font(QWidget* parent, const QFont& initial) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::DontUseNativeDialog);
  if (!ok) return std::nullopt;
  return chosen;
}

std::optional<QColor> DesktopPickers::color(QWidget* parent, const QColor& initial, const QString& title) {
  const QColor chosen = QColorDialog::getColor(initial, parent, title, QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

std::optional<QString> DesktopPickers::soundFile(QWidget* parent, const QString& initial) {
  QFileDialog dialog(parent, QStringLiteral("Select Alarm Sound"), QFileInfo(initial).absolutePath(),
                     QStringLiteral("Wave Files (*.wav *.WAV);;All Files (*)"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("wav"));
  dialog.setSizeGripEnabled(true);
  if (!initial.isEmpty()) dialog.selectFile(initial);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

Pickers& DefaultPickers() {
  static DesktopPickers pickers;
  return pickers;
}

QFont CaptionFontFrom(const QFont& chosen) {
  QFont font(chosen.family());
  const int points = chosen.pointSize() > 0 ? chosen.pointSize() : 8;
  font.setPointSize(std::clamp(points, 6, 12));
  return font;
}

}  // namespace qp
