#pragma once
// TFrmConfig: the configuration dialog. Its "Preferences" and "Reminders"
// pages edit the keys of Config.cfg; its "Templates" page lists the ten
// templates of defaults.dbf, edits one in TFrmTemplate and removes one.
// Template edits are stored as soon as their own dialog ends with OK, so
// Cancel here keeps them; the preferences are written only on OK.
#include <QDialog>

#include "app/model/Preferences.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace qp {

class NoteStore;
struct AppServices;

class TFrmConfig : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 1001;

  TFrmConfig(NoteStore& store, AppServices& services, QString configFile, QWidget* parent = nullptr);

  // The controls' values (after the box corrections OK makes).
  Preferences values() const;
  // Writes Config.cfg and the autostart entry as the dialog says. False,
  // with `error` set, when either could not be written.
  bool save(const QString& executable, QString* error) const;

  void fillTemplateList();
  void editTemplate();
  void removeTemplate();
  void testSound();
  void selectSound();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* buildPreferencesPage();
  QWidget* buildRemindersPage();
  QWidget* buildTemplatesPage();
  void fill(const Preferences& p);
  void correctIntervals();
  int selectedTemplate() const;
  void warnTemplate(const QString& text);

  NoteStore& store_;
  AppServices& services_;
  QString config_file_;
  QTabWidget* pages_ = nullptr;
  QCheckBox* loadAtStartup_ = nullptr;
  QCheckBox* backup_ = nullptr;
  QCheckBox* emptyTrash_ = nullptr;
  QCheckBox* sounds_ = nullptr;
  QCheckBox* url_ = nullptr;
  QCheckBox* taskbar_ = nullptr;
  QCheckBox* playSound_ = nullptr;
  QLineEdit* soundFile_ = nullptr;
  QPushButton* test_ = nullptr;
  QLineEdit* repeat_ = nullptr;
  QLineEdit* snooze_ = nullptr;
  QComboBox* position_ = nullptr;
  QListWidget* templates_ = nullptr;
};

}  // namespace qp
