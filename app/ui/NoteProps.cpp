#include "app/ui/NoteProps.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/model/ColorRef.h"
#include "app/model/ReminderTypeList.h"
#include "app/ui/DialogParts.h"
#include "richtext/RichEdit.h"
#include "richtext/RichEditDialog.h"

namespace qp {

namespace {

QTimeEdit* TimePicker(const char* name, QWidget* parent) {
  auto* picker = Named(new QTimeEdit(parent), name);
  // Reminders and expiries keep hours and minutes only.
  picker->setDisplayFormat(QLocale().timeFormat(QLocale::ShortFormat));
  return picker;
}

}  // namespace

TFrmNoteProps::TFrmNoteProps(QWidget* parent, Help* help, Pickers* pickers)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      help_(help),
      pickers_(pickers ? pickers : &DefaultPickers()) {
  setObjectName("FrmNoteProps");
  setWindowTitle("Note Properties");
  pages_ = Named(new QTabWidget(this), "PageControl1");
  pages_->addTab(buildSettingsPage(), "Settings");
  pages_->addTab(buildTextPage(), "Note Text");
  pages_->addTab(buildReminderPage(), "Reminder");
  pages_->addTab(buildExpirationPage(), "Expiration");
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = Named(buttons->addButton("OK", QDialogButtonBox::AcceptRole), "BtnOk");
  Named(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), "BtnCancel");
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Each page starts with the focus in its first control, so the keyboard
  // reaches it at once.
  connect(pages_, &QTabWidget::currentChanged, this, &TFrmNoteProps::focusFirstControl);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons, 0, Qt::AlignCenter);
  // The design values: no reminder, never expires, expiring once.
  reminderActiveChanged();
  neverExpiresChanged();
  setFixedSize(sizeHint().expandedTo(QSize(281, 347)));
}

QWidget* TFrmNoteProps::buildSettingsPage() {
  auto* page = Named(new QWidget, "TsSettings");
  auto* layout = new QVBoxLayout(page);
  showing_ = Named(new QCheckBox("Note is Showing", page), "CkBxShowing");
  auto* createdRow = new QHBoxLayout;
  createdRow->addWidget(Named(new QLabel("Created On", page), "Label1"));
  created_ = Named(new QLabel(page), "LblDateCreated");
  created_->setAlignment(Qt::AlignCenter);
  createdRow->addWidget(created_, 1);
  stayOnTop_ = Named(new QCheckBox("Keep on Top", page), "CkBxStayOnTop");

  auto* captionGroup = Named(new QGroupBox("Note Caption", page), "GbCaption");
  auto* captionLayout = new QGridLayout(captionGroup);
  description_ = Named(new QLineEdit(captionGroup), "EdDescription");
  description_->setMaxLength(50);  // DESC holds 50 characters
  sample_ = new CaptionSample(captionGroup);
  sample_->setAlignment(Qt::AlignCenter);
  auto* font = Named(new QPushButton("Select...", captionGroup), "Button2");
  // Qt's font dialog has no colour, so the caption colour has a button of
  // its own beside it.
  auto* fontColor = Named(new QPushButton("Color...", captionGroup), "BtnCaptionColor");
  captionLayout->addWidget(description_, 0, 0, 1, 2);
  captionLayout->addWidget(sample_, 1, 0, 1, 2);
  captionLayout->addWidget(font, 2, 0);
  captionLayout->addWidget(fontColor, 2, 1);
  connect(font, &QPushButton::clicked, this, [this] { sample_->chooseFont(*pickers_); });
  connect(fontColor, &QPushButton::clicked, this, [this] { sample_->chooseColor(*pickers_); });

  auto* colorGroup = Named(new QGroupBox("Note Color", page), "GbColor");
  auto* colorLayout = new QHBoxLayout(colorGroup);
  colorBox_ = Named(new QLineEdit(colorGroup), "EdColor");
  colorBox_->setEnabled(false);
  colorBox_->setFixedSize(170, 30);
  colorBox_->setAutoFillBackground(true);
  auto* color = Named(new QPushButton("Select...", colorGroup), "Button1");
  colorLayout->addWidget(colorBox_);
  colorLayout->addWidget(color);
  connect(color, &QPushButton::clicked, this, &TFrmNoteProps::chooseNoteColor);

  layout->addWidget(showing_);
  layout->addLayout(createdRow);
  layout->addWidget(stayOnTop_);
  layout->addWidget(captionGroup);
  layout->addWidget(colorGroup);
  layout->addStretch(1);
  return page;
}

QWidget* TFrmNoteProps::buildTextPage() {
  auto* page = Named(new QWidget, "TsNoteText");
  auto* layout = new QVBoxLayout(page);
  text_ = Named(new RichEdit(page), "RichEditProp");
  text_->setTabChangesFocus(false);
  text_->setDialogCaption("Edit Note Text");
  connect(text_, &RichEdit::editorDialogCreated, this,
          [this](RichEditDialog* dialog) { dialog->setTextAreaColor(text_->color()); });
  layout->addWidget(text_);
  return page;
}

QWidget* TFrmNoteProps::buildReminderPage() {
  auto* page = Named(new QWidget, "TsReminder");
  auto* layout = new QGridLayout(page);
  reminderActive_ = Named(new QCheckBox("Alarm is Active", page), "CkBxReminderIsActive");
  reminderType_ = Named(new QComboBox(page), "CmBxReminderType");
  reminderType_->setEditable(true);
  reminderType_->setInsertPolicy(QComboBox::NoInsert);
  reminderType_->setMinimumWidth(182);
  reminderType_->addItems(ReminderTypeTexts(QDate::currentDate()));
  reminderTime_ = TimePicker("EdReminderTime", page);
  calendar_ = Named(new QCalendarWidget(page), "MonthCalendar1");
  calendar_->setMinimumSize(190, 153);
  calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  layout->addWidget(reminderActive_, 0, 0, 1, 2);
  layout->addWidget(Named(new QLabel("Activate On", page), "Label2"), 1, 0);
  layout->addWidget(reminderType_, 1, 1);
  layout->addWidget(Named(new QLabel("Activate At", page), "Label3"), 2, 0);
  layout->addWidget(reminderTime_, 2, 1);
  layout->addWidget(calendar_, 3, 0, 1, 2);
  connect(reminderActive_, &QCheckBox::toggled, this, &TFrmNoteProps::reminderActiveChanged);
  connect(calendar_, &QCalendarWidget::selectionChanged, this, &TFrmNoteProps::buildReminderTypeList);
  return page;
}

QWidget* TFrmNoteProps::buildExpirationPage() {
  auto* page = Named(new QWidget, "TsExpiration");
  auto* layout = new QVBoxLayout(page);
  neverExpires_ = Named(new QCheckBox("Note Never Expires", page), "CkBxNeverExpires");
  moveToTrash_ = Named(new QCheckBox("Move the note to the trash bin when it expires", page), "CkBxMoveToTrash");
  auto* group = Named(new QGroupBox("Expire Date", page), "GbExpireDate");
  auto* grid = new QGridLayout(group);
  expiresOnce_ = Named(new QRadioButton("Expire Once on", group), "RbExpiresOnce");
  expiresOnce_->setChecked(true);
  expireDate_ = Named(new QDateEdit(group), "EdExpireDate");
  expireDate_->setCalendarPopup(true);
  expireTime_ = TimePicker("EdExpireTime", group);
  expiresEveryDay_ = Named(new QRadioButton("Expires Everyday", group), "RbExpiresEveryday");
  grid->addWidget(expiresOnce_, 0, 0, 1, 2);
  grid->addWidget(expireDate_, 1, 0, 1, 2);
  grid->addWidget(Named(new QLabel("at", group), "Label4"), 2, 0);
  grid->addWidget(expireTime_, 2, 1);
  grid->addWidget(expiresEveryDay_, 3, 0, 1, 2);
  layout->addWidget(neverExpires_);
  layout->addWidget(moveToTrash_);
  layout->addWidget(group);
  layout->addStretch(1);
  connect(neverExpires_, &QCheckBox::toggled, this, &TFrmNoteProps::neverExpiresChanged);
  connect(expiresOnce_, &QRadioButton::toggled, this, &TFrmNoteProps::expiryKindChanged);
  return page;
}

void TFrmNoteProps::setPage(Page page) {
  pages_->setCurrentIndex(static_cast<int>(page));
  focusFirstControl(static_cast<int>(page));
}

void TFrmNoteProps::focusFirstControl(int page) {
  QWidget* first[] = {showing_, text_, reminderActive_, neverExpires_};
  if (page >= 0 && page < 4) first[page]->setFocus();
}

void TFrmNoteProps::reminderActiveChanged() {
  const bool on = reminderActive_->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(reminderType_), static_cast<QWidget*>(calendar_),
                     static_cast<QWidget*>(reminderTime_)})
    w->setEnabled(on);
}

void TFrmNoteProps::neverExpiresChanged() {
  const bool expires = !neverExpires_->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(expiresOnce_), static_cast<QWidget*>(expiresEveryDay_),
                     static_cast<QWidget*>(expireTime_), static_cast<QWidget*>(moveToTrash_)})
    w->setEnabled(expires);
  expiryKindChanged();
}

void TFrmNoteProps::expiryKindChanged() {
  // Disabled with the rest of the group while the note never expires.
  expireDate_->setEnabled(expiresOnce_->isChecked() && !neverExpires_->isChecked());
}

void TFrmNoteProps::buildReminderTypeList() {
  const int selected = reminderType_->currentIndex();
  const QStringList texts = ReminderTypeTexts(calendar_->selectedDate());
  for (int i : {0, 3, 4, 5}) reminderType_->setItemText(i, texts[i]);
  reminderType_->setCurrentIndex(selected);
}

void TFrmNoteProps::setNoteColor(const QColor& color) {
  noteColor_ = color;
  QPalette pal = colorBox_->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, color);
    pal.setColor(group, QPalette::Window, color);
  }
  colorBox_->setPalette(pal);
}

void TFrmNoteProps::chooseNoteColor() {
  if (auto color = pickers_->color(this, noteColor_, "Note Color")) setNoteColor(*color);
}

void TFrmNoteProps::fill(const NoteRecord& note) {
  text_->setRtf(note.rtf);
  text_->setColor(FromColorRef(note.color));
  description_->setText(note.caption);
  showing_->setChecked(true);
  setNoteColor(FromColorRef(note.color));
  stayOnTop_->setChecked(note.stayOnTop);
  created_->setText(note.created);

  reminderActive_->setChecked(note.alarmActive);
  calendar_->setSelectedDate(note.alarmDate.isValid() ? note.alarmDate : QDate::currentDate());
  reminderTime_->setTime(note.alarmTime.isValid() ? note.alarmTime : QTime(0, 0));
  buildReminderTypeList();
  filledType_ = note.alarmType;
  // A stored code outside the list (another program's) shows no entry and
  // is kept unless the user picks one.
  reminderType_->setCurrentIndex(note.alarmType >= 0 && note.alarmType < reminderType_->count() ? note.alarmType : -1);

  neverExpires_->setChecked(!note.expires);
  moveToTrash_->setChecked(note.expireToTrash);
  if (note.expireType == 2)
    expiresEveryDay_->setChecked(true);
  else
    expiresOnce_->setChecked(true);
  expireDate_->setDate(note.expireDate.isValid() ? note.expireDate : QDate::currentDate());
  expireTime_->setTime(note.expireTime.isValid() ? note.expireTime : QTime(0, 0));
  neverExpiresChanged();

  sample_->setCaptionFont(note.capFontName, note.capFontSize, FromColorRef(note.capFontColor));
}

NoteRecord TFrmNoteProps::values(const NoteRecord& note) const {
  NoteRecord r = note;
  r.rtf = text_->rtf();
  r.caption = description_->text();
  r.stayOnTop = stayOnTop_->isChecked();
  r.color = ToColorRef(noteColor_);
  r.alarmActive = reminderActive_->isChecked();
  QStringList entries;
  for (int i = 0; i < reminderType_->count(); ++i) entries.append(reminderType_->itemText(i));
  r.alarmType = ReminderTypeForText(entries, reminderType_->currentText(), filledType_);
  r.alarmDate = calendar_->selectedDate();
  r.alarmTime = QTime(reminderTime_->time().hour(), reminderTime_->time().minute());
  r.expires = !neverExpires_->isChecked();
  r.expireToTrash = moveToTrash_->isChecked();
  r.expireType = expiresOnce_->isChecked() ? 1 : 2;
  r.expireDate = expireDate_->date();
  r.expireTime = QTime(expireTime_->time().hour(), expireTime_->time().minute());
  const QFont font = sample_->font();
  r.capFontName = font.family();
  r.capFontSize = font.pointSize();
  r.capFontColor = ToColorRef(sample_->captionColor());
  return r;
}

bool TFrmNoteProps::showing() const { return showing_->isChecked(); }

void TFrmNoteProps::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  buildReminderTypeList();
}

void TFrmNoteProps::keyPressEvent(QKeyEvent* event) {
  if (!HelpKey(event, help_, kHelpContext)) QDialog::keyPressEvent(event);
}

}  // namespace qp
