// The configuration and template dialogs through their controls, over a
// real store: what a fresh Config.cfg shows, what OK writes (with the
// repeat and snooze corrections), the start-at-login entry, the sound
// test, and template editing and removal (kept even when the
// configuration dialog is cancelled).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/model/Autostart.h"
#include "app/model/status.h"
#include "app/ui/Config.h"
#include "app/ui/TemplateDialog.h"
#include "components/IniFile.h"
#include "richtext/RichEdit.h"
#include "tests/app/controller_fixture.h"

namespace qp {
namespace {

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class ConfigDialogTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    ASSERT_TRUE(xdg_.isValid());
    saved_xdg_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", xdg_.path().toUtf8());
    services_.contentFolder = folder();
    store_ = OpenStore();
  }
  void TearDown() override {
    qputenv("XDG_CONFIG_HOME", saved_xdg_);
    ControllerTest::TearDown();
  }
  QString ConfigFile() const { return ConfigFileIn(folder()); }
  std::unique_ptr<TFrmConfig> Dialog() {
    return std::make_unique<TFrmConfig>(*store_, services_, ConfigFile());
  }
  static void PressOk(TFrmConfig& dialog) { Child<QPushButton>(&dialog, "BtnOk")->click(); }
  // Runs `answer` on the template dialog once it is up, then clicks
  // "Edit Properties..." of the configuration dialog.
  static void EditTemplate(TFrmConfig& dialog, std::function<void(TFrmTemplate*)> answer) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* editor = qobject_cast<TFrmTemplate*>(QApplication::activeModalWidget());
      ASSERT_NE(editor, nullptr);
      answer(editor);
      answered = true;
    });
    Child<QPushButton>(&dialog, "BtnEditProps")->click();
    EXPECT_TRUE(answered);
  }

  QTemporaryDir xdg_;
  QByteArray saved_xdg_;
};

TEST_F(ConfigDialogTest, AFreshConfigurationShowsTheDefaults) {
  auto dialog = Dialog();
  EXPECT_EQ(dialog->windowTitle(), "Configure Quillpad");
  EXPECT_EQ(Child<QTabWidget>(dialog.get(), "PageControl1")->currentIndex(), 0);
  const struct {
    const char* box;
    bool checked;
  } boxes[] = {{"CkBxLoadQuillpad", true}, {"CkBxBackup", false}, {"CkBxEmptyTrash", false},
               {"CkBxSounds", true},       {"CkBxURL", true},     {"CkBxTaskbar", true},
               {"CkBxPlaySound", true}};
  for (const auto& b : boxes) EXPECT_EQ(Child<QCheckBox>(dialog.get(), b.box)->isChecked(), b.checked) << b.box;
  EXPECT_EQ(Child<QCheckBox>(dialog.get(), "CkBxURL")->text(), "Enable URL && E-Mail addresses in Notes");
  EXPECT_EQ(Child<QLineEdit>(dialog.get(), "EdRepeat")->text(), "10");
  EXPECT_EQ(Child<QLineEdit>(dialog.get(), "EdSnooze")->text(), "5");
  EXPECT_EQ(Child<QComboBox>(dialog.get(), "CmBxPosition")->currentText(), "Bottom Right Corner");
  EXPECT_EQ(Child<QLineEdit>(dialog.get(), "EdSoundFile")->text(), folder() + "Reminder.wav");
  EXPECT_EQ(Child<QListWidget>(dialog.get(), "LbTemplates")->count(), 10);
  EXPECT_EQ(Child<QListWidget>(dialog.get(), "LbTemplates")->item(4)->text(), "Template 5 - Not Set");
  EXPECT_FALSE(IniFile(ConfigFile()).sectionExists("Reminder")) << "opening the dialog writes nothing";
}

TEST_F(ConfigDialogTest, OkCorrectsTheIntervalBoxesAndWritesEveryKey) {
  const struct {
    const char* repeat;
    const char* snooze;
    const char* repeatShown;
    const char* snoozeShown;
    int repeatStored;
    int snoozeStored;
  } cases[] = {
      {"-3", "0", "0", "1", 0, 1},     {"15", "7", "15", "7", 15, 7}, {"abc", "x", "0", "1", 0, 1},
      {"12x", "3 ", "12x", "3 ", 12, 3}, {"0", "-1", "0", "1", 0, 1},
  };
  for (const auto& c : cases) {
    auto dialog = Dialog();
    Child<QLineEdit>(dialog.get(), "EdRepeat")->setText(c.repeat);
    Child<QLineEdit>(dialog.get(), "EdSnooze")->setText(c.snooze);
    PressOk(*dialog);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Child<QLineEdit>(dialog.get(), "EdRepeat")->text(), c.repeatShown) << c.repeat;
    EXPECT_EQ(Child<QLineEdit>(dialog.get(), "EdSnooze")->text(), c.snoozeShown) << c.snooze;
    QString error;
    ASSERT_TRUE(dialog->save("/opt/quillpad/bin/quillpad", &error)) << error.toStdString();
    const IniFile ini(ConfigFile());
    EXPECT_EQ(ini.readInteger("Reminder", "RepeatInterval", -9), c.repeatStored) << c.repeat;
    EXPECT_EQ(ini.readInteger("Reminder", "SnoozeInterval", -9), c.snoozeStored) << c.snooze;
  }
  const IniFile ini(ConfigFile());
  EXPECT_EQ(ini.readString("Reminder", "ReminderPosition"), "3");
  for (const char* key : {"LoadAtStartup", "BackupFiles", "EmptyTrash", "EnableSounds", "EnableURL",
                          "EnableTaskbarIcon"})
    EXPECT_TRUE(ini.valueExists("Configuration", key)) << key;
  EXPECT_EQ(ini.readString("Configuration", "BackupFiles"), "0");
  EXPECT_EQ(ini.readString("Reminder", "SoundFile"), folder() + "Reminder.wav");
}

TEST_F(ConfigDialogTest, TheStartAtLoginEntryFollowsTheCheckBox) {
  const QString entry = xdg_.path() + "/autostart/quillpad.desktop";
  ASSERT_EQ(AutostartEntryPath(), entry);
  auto dialog = Dialog();
  PressOk(*dialog);
  QString error;
  ASSERT_TRUE(dialog->save("/opt/quill pad/quillpad", &error)) << error.toStdString();
  QFile file(entry);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  file.close();
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(text.contains("\nType=Application\n"));
  EXPECT_TRUE(text.contains("\nExec=\"/opt/quill pad/quillpad\"\n")) << text.toStdString();

  dialog = Dialog();
  Child<QCheckBox>(dialog.get(), "CkBxLoadQuillpad")->setChecked(false);
  PressOk(*dialog);
  ASSERT_TRUE(dialog->save("/opt/quill pad/quillpad", &error));
  EXPECT_FALSE(QFile::exists(entry));
  EXPECT_EQ(IniFile(ConfigFile()).readString("Configuration", "LoadAtStartup"), "0");
  // Removing an entry that is not there is no error.
  ASSERT_TRUE(dialog->save("/opt/quill pad/quillpad", &error));
  // The dialog opens with the box as it was saved.
  EXPECT_FALSE(Child<QCheckBox>(Dialog().get(), "CkBxLoadQuillpad")->isChecked());
}

TEST_F(ConfigDialogTest, AnAutostartFolderThatCannotBeMadeIsReportedAndTheKeysStayWritten) {
  // A file where the folder should be.
  QFile blocker(xdg_.path() + "/autostart");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  auto dialog = Dialog();
  Child<QCheckBox>(dialog.get(), "CkBxBackup")->setChecked(true);
  PressOk(*dialog);
  QString error;
  EXPECT_FALSE(dialog->save("/usr/bin/quillpad", &error));
  EXPECT_TRUE(error.contains(xdg_.path() + "/autostart")) << error.toStdString();
  EXPECT_TRUE(IniFile(ConfigFile()).readBool("Configuration", "BackupFiles", false));
}

TEST_F(ConfigDialogTest, TestPlaysAnExistingSoundAndNamesAMissingOne) {
  auto dialog = Dialog();
  auto* file = Child<QLineEdit>(dialog.get(), "EdSoundFile");
  auto* test = Child<QPushButton>(dialog.get(), "BtnTest");
  file->setText(folder() + "missing.wav");
  test->click();
  EXPECT_EQ(ask_.informations, QStringList{"Unable to locate " + folder() + "missing.wav"});
  EXPECT_TRUE(sound_.played.isEmpty());
  QFile wave(folder() + "bell.wav");
  ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
  wave.close();
  pickers_.files = {folder() + "bell.wav"};
  Child<QPushButton>(dialog.get(), "BtnSelectSound")->click();
  EXPECT_EQ(file->text(), folder() + "bell.wav");
  test->click();
  EXPECT_EQ(sound_.played, QStringList{folder() + "bell.wav"});
  file->clear();
  EXPECT_FALSE(test->isEnabled());
}

TEST_F(ConfigDialogTest, ATemplateEditIsStoredAtOnceAndCancelKeepsIt) {
  auto dialog = Dialog();
  auto* list = Child<QListWidget>(dialog.get(), "LbTemplates");
  list->setCurrentRow(4);
  pickers_.colors = {QColor(0, 128, 255)};
  EditTemplate(*dialog, [this](TFrmTemplate* editor) {
    EXPECT_EQ(Child<QLineEdit>(editor, "EdName")->text(), "Template 5 - Not Set");
    EXPECT_EQ(Child<QLineEdit>(editor, "EdName")->maxLength(), 50);
    Child<QLineEdit>(editor, "EdName")->setText(QString(50, 'N'));
    Child<QComboBox>(editor, "CmbxNotePosition")->setCurrentIndex(4);
    Child<QSpinBox>(editor, "EdWidth")->setValue(333);
    Child<QSpinBox>(editor, "EdHeight")->setValue(222);
    Child<QPushButton>(editor, "Button5")->click();
    Child<RichEdit>(editor, "RichEditProp")->setPlainText("Shopping <DATE>");
    editor->accept();
  });
  EXPECT_EQ(list->item(4)->text(), QString(50, 'N'));
  EXPECT_EQ(list->currentRow(), 4) << "the edited line stays selected";
  dialog->reject();

  const std::optional<TemplateContent> stored = store_->readTemplate(5);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->name, QString(50, 'N'));
  EXPECT_EQ(stored->position, 4);
  EXPECT_EQ(stored->width, 333);
  EXPECT_EQ(stored->height, 222);
  EXPECT_EQ(stored->color, 0x00FF8000u);
  EXPECT_TRUE(QString::fromUtf8(stored->rtf).contains("Shopping <DATE>"));
  EXPECT_TRUE(store_->templates()[4].inUse);
  EXPECT_FALSE(IniFile(ConfigFile()).sectionExists("Reminder")) << "Cancel writes no preference";
  // The template dialog keeps its place in Config.cfg.
  EXPECT_TRUE(IniFile(ConfigFile()).valueExists("Screens", "FrmTemplate"));
}

TEST_F(ConfigDialogTest, CancelInTheTemplateDialogAndALockedTemplateStoreNothing) {
  auto dialog = Dialog();
  Child<QListWidget>(dialog.get(), "LbTemplates")->setCurrentRow(1);
  EditTemplate(*dialog, [](TFrmTemplate* editor) {
    Child<QLineEdit>(editor, "EdName")->setText("Never stored");
    editor->reject();
  });
  EXPECT_EQ(store_->readTemplate(2)->name, "To-Do List");

  auto other = std::make_unique<xb::TXbDbf>("OtherDefaults");
  other->SetDbfFileName((folder() + "defaults.dbf").toStdString());
  other->SetExclusive(false);
  other->Open();
  other->Go(2);
  ASSERT_TRUE(other->RLock());
  EditTemplate(*dialog, [](TFrmTemplate* editor) {
    Child<QLineEdit>(editor, "EdName")->setText("Locked out");
    editor->accept();
  });
  EXPECT_EQ(ask_.warnings.size(), 1);
  EXPECT_TRUE(ask_.warnings.value(0).contains("locked")) << ask_.warnings.value(0).toStdString();
  other->UnLock();
  EXPECT_EQ(store_->readTemplate(2)->name, "To-Do List");
}

TEST_F(ConfigDialogTest, RemovingATemplateResetsItAndTakesItOutOfTheMenus) {
  auto dialog = Dialog();
  auto* list = Child<QListWidget>(dialog.get(), "LbTemplates");
  list->setCurrentRow(0);
  Child<QPushButton>(dialog.get(), "BtnRemove")->click();
  EXPECT_EQ(list->item(0)->text(), "Template 1 - Not Set");
  const std::optional<TemplateContent> reset = store_->readTemplate(1);
  ASSERT_TRUE(reset.has_value());
  EXPECT_EQ(reset->color, 10092543u);
  EXPECT_EQ(reset->fontName, "MS Sans Serif");
  EXPECT_EQ(reset->fontSize, 8);
  EXPECT_EQ(reset->fontColor, 0u);
  EXPECT_EQ(reset->width, 120);
  EXPECT_EQ(reset->height, 120);
  EXPECT_EQ(reset->position, 0);
  EXPECT_TRUE(reset->rtf.isEmpty());
  EXPECT_FALSE(store_->templates()[0].inUse);
  // A double click on the tray icon still makes a note from it.
  Start();
  controller_->newNoteFromTemplate(1);
  ASSERT_EQ(controller_->noteWindows().size(), 1);
  EXPECT_EQ(OnlyNote()->size(), QSize(120, 120));
}

TEST_F(ConfigDialogTest, OkThroughTheControllerPutsThePreferencesInForce) {
  Start();
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TFrmConfig*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    Child<QCheckBox>(dialog, "CkBxBackup")->setChecked(true);
    Child<QCheckBox>(dialog, "CkBxSounds")->setChecked(false);
    Child<QLineEdit>(dialog, "EdSnooze")->setText("9");
    Child<QPushButton>(dialog, "BtnOk")->click();
  });
  controller_->trayMenu()->findChild<QAction*>("Configure1")->trigger();
  EXPECT_TRUE(services_.preferences.backupFiles);
  EXPECT_FALSE(services_.preferences.enableSounds);
  EXPECT_EQ(services_.preferences.snoozeInterval, 9);
  EXPECT_TRUE(QFile::exists(xdg_.path() + "/autostart/quillpad.desktop"));
}

}  // namespace
}  // namespace qp
