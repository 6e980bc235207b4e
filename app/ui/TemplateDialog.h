#pragma once
// TFrmTemplate: edits one note template (name, default position and size,
// colour, caption font and starting text). The configuration dialog fills
// it from defaults.dbf and writes the values back on OK. It reappears
// where the user left it, kept under "FrmTemplate" in Config.cfg.
#include <QDialog>

#include "app/model/TemplateContent.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TFormPlace;

namespace qp {

class CaptionSample;
class Help;
class Pickers;
class RichEdit;

class TFrmTemplate : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 1001;

  TFrmTemplate(const QString& configFile, QWidget* parent = nullptr, Help* help = nullptr,
               Pickers* pickers = nullptr);
  ~TFrmTemplate() override;

  void fill(const TemplateContent& content);
  TemplateContent values() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void chooseColor();
  void setColor(const QColor& color);

  Help* help_;
  Pickers* pickers_;
  TFormPlace* place_;
  QLineEdit* name_;
  QComboBox* position_;
  QSpinBox* height_;
  QSpinBox* width_;
  QLabel* colorSample_;
  QColor color_;
  CaptionSample* sample_;
  RichEdit* text_;
};

}  // namespace qp
