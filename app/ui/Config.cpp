#include "app/ui/Config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/model/Autostart.h"
#include "app/model/NoteStore.h"
#include "app/ui/DialogParts.h"
#include "app/ui/Pickers.h"
#include "app/ui/Seams.h"
#include "app/ui/TemplateDialog.h"

namespace qp {

TFrmConfig::TFrmConfig(NoteStore& store, AppServices& services, QString configFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      services_(services),
      config_file_(std::move(configFile)) {
  setObjectName("FrmConfig");
  setWindowTitle("Configure Quillpad");
  pages_ = Named(new QTabWidget(this), "PageControl1");
  pages_->addTab(buildPreferencesPage(), "Preferences");
  pages_->addTab(buildRemindersPage(), "Reminders");
  pages_->addTab(buildTemplatesPage(), "Templates");
  auto* buttons = new QDialogButtonBox(this);
  Named(buttons->addButton("OK", QDialogButtonBox::AcceptRole), "BtnOk")->setDefault(true);
  Named(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), "BtnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    correctIntervals();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons, 0, Qt::AlignCenter);
  pages_->setCurrentIndex(0);
  fillTemplateList();
  templates_->setCurrentRow(0);
  // An absent ReminderPosition is offered as the bottom right corner.
  fill(LoadPreferences(config_file_, services_.contentFolder, 3));
  setFixedSize(sizeHint().expandedTo(QSize(341, 373)));
}

QWidget* TFrmConfig::buildPreferencesPage() {
  auto* page = Named(new QWidget, "TsPreferences");
  auto* layout = new QVBoxLayout(page);
  auto* intro = Named(new QLabel("These preferences control global settings for Quillpad.  ", page), "Label5");
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto check = [&](const QString& text, const char* name) {
    auto* box = Named(new QCheckBox(text, page), name);
    layout->addWidget(box);
    return box;
  };
  // Checked, an XDG autostart entry starts Quillpad when the user logs in.
  loadAtStartup_ = check("Load Quillpad during Windows Startup", "CkBxLoadQuillpad");
  backup_ = check("Backup Notes upon Exit of Quillpad", "CkBxBackup");
  emptyTrash_ = check("Empty Note Trash Bin upon Exit of Quillpad", "CkBxEmptyTrash");
  sounds_ = check("Enable Sound Effects", "CkBxSounds");
  url_ = check("Enable URL && E-Mail addresses in Notes", "CkBxURL");
  taskbar_ = check("Display Quillpad Icon on Windows Taskbar", "CkBxTaskbar");
  layout->addStretch(1);
  return page;
}

QWidget* TFrmConfig::buildRemindersPage() {
  auto* page = Named(new QWidget, "TsReminders");
  auto* grid = new QGridLayout(page);
  auto* intro = Named(
      new QLabel("Use these settings to control whether or not a sound is played for reminder notes.", page), "Label3");
  intro->setWordWrap(true);
  playSound_ = Named(new QCheckBox("Play sound when reminder activates", page), "CkBxPlaySound");
  soundFile_ = Named(new QLineEdit(page), "EdSoundFile");
  auto* select = Named(new QPushButton("Select Sound...", page), "BtnSelectSound");
  test_ = Named(new QPushButton("Test", page), "BtnTest");
  repeat_ = Named(new QLineEdit(page), "EdRepeat");
  repeat_->setMaxLength(4);
  snooze_ = Named(new QLineEdit(page), "EdSnooze");
  snooze_->setMaxLength(4);
  position_ = Named(new QComboBox(page), "CmBxPosition");
  position_->addItems({"Top Left Corner", "Top Right Corner", "Bottom Left Corner", "Bottom Right Corner"});
  grid->addWidget(intro, 0, 0, 1, 3);
  grid->addWidget(playSound_, 1, 0, 1, 3);
  grid->addWidget(Named(new QLabel("Sound File", page), "Label7"), 2, 0);
  grid->addWidget(soundFile_, 2, 1, 1, 2);
  grid->addWidget(select, 3, 1);
  grid->addWidget(test_, 3, 2);
  grid->addWidget(Named(new QLabel("Repeat Reminder sound every", page), "Label2"), 4, 0);
  grid->addWidget(repeat_, 4, 1);
  grid->addWidget(Named(new QLabel("minutes.", page), "Label6"), 4, 2);
  grid->addWidget(Named(new QLabel("Set Snooze to last for ", page), "Label1"), 5, 0);
  grid->addWidget(snooze_, 5, 1);
  grid->addWidget(Named(new QLabel("minutes.", page), "Label8"), 5, 2);
  grid->addWidget(Named(new QLabel("Reminder Notification Position", page), "Label9"), 6, 0, 1, 3);
  grid->addWidget(position_, 7, 0, 1, 3);
  grid->setRowStretch(8, 1);
  connect(soundFile_, &QLineEdit::textChanged, this, [this](const QString& text) { test_->setEnabled(!text.isEmpty()); });
  connect(select, &QPushButton::clicked, this, &TFrmConfig::selectSound);
  connect(test_, &QPushButton::clicked, this, &TFrmConfig::testSound);
  return page;
}

QWidget* TFrmConfig::buildTemplatesPage() {
  auto* page = Named(new QWidget, "TsTemplates");
  auto* layout = new QGridLayout(page);
  auto* intro = Named(new QLabel("Templates enable you to easily define different styles of notes, each with their "
                                 "own specific formatting, color and text contents.",
                                 page),
                      "Label12");
  intro->setWordWrap(true);
  templates_ = Named(new QListWidget(page), "LbTemplates");
  auto* edit = Named(new QPushButton("Edit Properties...", page), "BtnEditProps");
  auto* remove = Named(new QPushButton("Remove Template", page), "BtnRemove");
  layout->addWidget(intro, 0, 0, 1, 2);
  layout->addWidget(templates_, 1, 0, 1, 2);
  layout->addWidget(edit, 2, 0);
  layout->addWidget(remove, 2, 1);
  connect(templates_, &QListWidget::itemDoubleClicked, this, &TFrmConfig::editTemplate);
  connect(edit, &QPushButton::clicked, this, &TFrmConfig::editTemplate);
  connect(remove, &QPushButton::clicked, this, &TFrmConfig::removeTemplate);
  return page;
}

void TFrmConfig::fill(const Preferences& p) {
  loadAtStartup_->setChecked(p.loadAtStartup);
  backup_->setChecked(p.backupFiles);
  emptyTrash_->setChecked(p.emptyTrash);
  sounds_->setChecked(p.enableSounds);
  url_->setChecked(p.enableUrl);
  taskbar_->setChecked(p.enableTaskbarIcon);
  playSound_->setChecked(p.playSound);
  soundFile_->setText(p.soundFile);
  test_->setEnabled(!p.soundFile.isEmpty());
  repeat_->setText(QString::number(p.repeatInterval));
  snooze_->setText(QString::number(p.snoozeInterval));
  // A corner the list does not offer shows as no entry and is written
  // back as it was.
  position_->setCurrentIndex(p.reminderPosition >= 0 && p.reminderPosition < position_->count() ? p.reminderPosition
                                                                                                 : -1);
  position_->setProperty("storedPosition", p.reminderPosition);
}

void TFrmConfig::correctIntervals() {
  if (LeadingInteger(repeat_->text()) <= 0) repeat_->setText("0");
  if (LeadingInteger(snooze_->text()) <= 0) snooze_->setText("1");
}

Preferences TFrmConfig::values() const {
  Preferences p;
  p.loadAtStartup = loadAtStartup_->isChecked();
  p.backupFiles = backup_->isChecked();
  p.emptyTrash = emptyTrash_->isChecked();
  p.enableSounds = sounds_->isChecked();
  p.enableUrl = url_->isChecked();
  p.enableTaskbarIcon = taskbar_->isChecked();
  p.playSound = playSound_->isChecked();
  p.soundFile = soundFile_->text();
  p.repeatInterval = RepeatMinutesFromText(repeat_->text());
  p.snoozeInterval = SnoozeMinutesFromText(snooze_->text());
  p.reminderPosition = position_->currentIndex() >= 0 ? position_->currentIndex()
                                                      : position_->property("storedPosition").toInt();
  return p;
}

bool TFrmConfig::save(const QString& executable, QString* error) const {
  const Preferences p = values();
  if (!SavePreferences(config_file_, p, error)) return false;
  return SetStartAtLogin(p.loadAtStartup, executable, error);
}

void TFrmConfig::testSound() {
  const QString file = soundFile_->text();
  if (QFileInfo(file).isFile()) {
    // Played without waiting, so the dialog stays usable meanwhile.
    if (services_.sound) services_.sound->play(QFileInfo(file).absoluteFilePath());
    return;
  }
  if (services_.ask) services_.ask->information(this, "Quillpad", "Unable to locate " + file);
}

void TFrmConfig::selectSound() {
  Pickers& pickers = services_.pickers ? *services_.pickers : DefaultPickers();
  if (auto file = pickers.soundFile(this, soundFile_->text())) soundFile_->setText(*file);
}

void TFrmConfig::fillTemplateList() {
  const int selected = templates_->currentRow();
  templates_->clear();
  for (const TemplateEntry& entry : store_.templates()) templates_->addItem(entry.name);
  templates_->setCurrentRow(std::min(std::max(selected, 0), templates_->count() - 1));
}

int TFrmConfig::selectedTemplate() const { return std::max(templates_->currentRow(), 0) + 1; }

void TFrmConfig::warnTemplate(const QString& text) {
  if (services_.ask) services_.ask->warning(this, "Quillpad", text + store_.lastError());
}

void TFrmConfig::editTemplate() {
  const int number = selectedTemplate();
  const std::optional<TemplateContent> content = store_.readTemplate(number);
  if (!content) {
    warnTemplate("The template could not be read: ");
    return;
  }
  TFrmTemplate dialog(config_file_, this, services_.help, services_.pickers);
  dialog.fill(*content);
  if (dialog.exec() != QDialog::Accepted) return;
  // The user is told when another program holds the template, so an edit
  // is never lost without a word.
  if (store_.updateTemplate(number, dialog.values()) != StoreResult::Done)
    warnTemplate("The template could not be saved: ");
  fillTemplateList();
}

void TFrmConfig::removeTemplate() {
  if (store_.resetTemplate(selectedTemplate()) != StoreResult::Done)
    warnTemplate("The template could not be removed: ");
  fillTemplateList();
}

void TFrmConfig::keyPressEvent(QKeyEvent* event) {
  if (!HelpKey(event, services_.help, kHelpContext)) QDialog::keyPressEvent(event);
}

}  // namespace qp
