#include "app/ui/TemplateDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/model/ColorRef.h"
#include "app/ui/DialogParts.h"
#include "components/FormPlace.h"
#include "richtext/RichEdit.h"
#include "richtext/RichEditDialog.h"

namespace qp {

namespace {

QSpinBox* SizeBox(const char* name, QWidget* parent) {
  auto* box = Named(new QSpinBox(parent), name);
  box->setRange(0, 9999);
  box->setValue(120);
  return box;
}

}  // namespace

TFrmTemplate::TFrmTemplate(const QString& configFile, QWidget* parent, Help* help, Pickers* pickers)
    : QDialog(parent), help_(help), pickers_(pickers ? pickers : &DefaultPickers()) {
  setObjectName("FrmTemplate");
  setWindowTitle("Template Properties");
  setMinimumSize(428, 308);
  resize(484, 308);
  place_ = new TFormPlace(this);
  place_->setEntry("FrmTemplate");
  place_->setIniFileName(configFile);

  name_ = Named(new QLineEdit(this), "EdName");
  name_->setMaxLength(50);  // DESC holds 50 characters
  position_ = Named(new QComboBox(this), "CmbxNotePosition");
  position_->addItems({"Center of Screen ", "Top Left Corner", "Top Right Corner", "Bottom Left Corner",
                       "Bottom Right Corner"});
  height_ = SizeBox("EdHeight", this);
  width_ = SizeBox("EdWidth", this);

  auto* colorGroup = Named(new QGroupBox("Note Color", this), "GbNoteColor");
  auto* colorRow = new QHBoxLayout(colorGroup);
  colorSample_ = Named(new QLabel(colorGroup), "EdNoteColor");
  colorSample_->setAutoFillBackground(true);
  colorSample_->setMinimumSize(80, 22);
  auto* colorButton = Named(new QPushButton("Select...", colorGroup), "Button5");
  colorRow->addWidget(colorSample_, 1);
  colorRow->addWidget(colorButton);

  auto* fontGroup = Named(new QGroupBox("Note Caption Font", this), "GbCaptionFont");
  auto* fontRow = new QHBoxLayout(fontGroup);
  sample_ = new CaptionSample(fontGroup);
  auto* fontButton = Named(new QPushButton("Select...", fontGroup), "Button1");
  // Qt's font dialog has no colour: the caption colour has its own button.
  auto* captionColorButton = Named(new QPushButton("Color...", fontGroup), "BtnCaptionColor");
  fontRow->addWidget(sample_, 1);
  fontRow->addWidget(fontButton);
  fontRow->addWidget(captionColorButton);

  text_ = Named(new RichEdit(this), "RichEditProp");
  text_->setTabChangesFocus(false);
  text_->setDialogCaption("Edit Note Text");
  connect(text_, &RichEdit::editorDialogCreated, this,
          [this](RichEditDialog* dialog) { dialog->setTextAreaColor(text_->color()); });

  auto* buttons = new QDialogButtonBox(this);
  Named(buttons->addButton("OK", QDialogButtonBox::AcceptRole), "BtnOk")->setDefault(true);
  Named(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), "BtnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(colorButton, &QPushButton::clicked, this, &TFrmTemplate::chooseColor);
  connect(fontButton, &QPushButton::clicked, this, [this] { sample_->chooseFont(*pickers_); });
  connect(captionColorButton, &QPushButton::clicked, this, [this] { sample_->chooseColor(*pickers_); });

  auto* form = new QGridLayout;
  form->addWidget(new QLabel("Template Name", this), 0, 0);
  form->addWidget(name_, 0, 1, 1, 3);
  form->addWidget(new QLabel("Default Position", this), 1, 0);
  form->addWidget(position_, 1, 1, 1, 3);
  form->addWidget(new QLabel("Default Height", this), 2, 0);
  form->addWidget(height_, 2, 1);
  form->addWidget(new QLabel("Default Width", this), 2, 2);
  form->addWidget(width_, 2, 3);
  form->addWidget(colorGroup, 3, 0, 1, 2);
  form->addWidget(fontGroup, 3, 2, 1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Named(new QLabel("Template Note Contents:", this), "Label2"));
  layout->addWidget(text_, 1);
  layout->addWidget(buttons);
  setColor(FromColorRef(10092543));
  name_->setFocus();
}

TFrmTemplate::~TFrmTemplate() { place_->SavePlacement(); }

void TFrmTemplate::setColor(const QColor& color) {
  color_ = color;
  QPalette pal = colorSample_->palette();
  pal.setColor(QPalette::Window, color);
  colorSample_->setPalette(pal);
  text_->setColor(color);
}

void TFrmTemplate::chooseColor() {
  if (auto color = pickers_->color(this, color_, "Note Color")) setColor(*color);
}

void TFrmTemplate::fill(const TemplateContent& c) {
  name_->setText(c.name);
  setColor(FromColorRef(c.color));
  sample_->setCaptionFont(c.fontName, c.fontSize, FromColorRef(c.fontColor));
  height_->setValue(c.height);
  width_->setValue(c.width);
  position_->setCurrentIndex(c.position >= 0 && c.position < position_->count() ? c.position : 0);
  text_->setRtf(c.rtf);
}

TemplateContent TFrmTemplate::values() const {
  TemplateContent c;
  c.name = name_->text();
  c.color = ToColorRef(color_);
  c.position = position_->currentIndex();
  c.width = width_->value();
  c.height = height_->value();
  c.fontName = sample_->font().family();
  c.fontSize = sample_->font().pointSize();
  c.fontColor = ToColorRef(sample_->captionColor());
  c.rtf = text_->rtf();
  return c;
}

void TFrmTemplate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  place_->RestorePlacement();
}

void TFrmTemplate::keyPressEvent(QKeyEvent* event) {
  if (!HelpKey(event, help_, kHelpContext)) QDialog::keyPressEvent(event);
}

}  // namespace qp
