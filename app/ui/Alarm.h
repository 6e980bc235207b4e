#pragma once
// TFrmAlarm: the window a fired reminder opens. It shows the note's caption
// and text, plays the reminder sound and replays it until the user answers,
// and can be snoozed. Each fired reminder gets a window of its own.
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "app/model/NoteRecord.h"
#include "app/model/Preferences.h"
#include "app/ui/Seams.h"

class QLabel;
class QPushButton;

namespace qp {

class RichEdit;

class TFrmAlarm : public QWidget {
  Q_OBJECT
 public:
  TFrmAlarm(const NoteRecord& note, const Preferences& preferences, Sound* sound, QWidget* parent = nullptr);

  // Where a window of `window` size goes on a screen of `screen` size
  // for a ReminderPosition code: the four corners, else the usual place.
  static QPoint placeFor(int position, QRect screen, QSize window);

  QTimer& replayTimer() { return timer_replay_; }
  QTimer& snoozeTimer() { return timer_snooze_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void playReminderSound();
  void snooze();
  void endSnooze();

  Preferences preferences_;
  Sound* sound_;
  QLabel* intro_;
  QLabel* caption_;
  RichEdit* text_;
  QPushButton* snooze_;
  QPushButton* ok_;
  QTimer timer_replay_;
  QTimer timer_snooze_;
};

// Opens a TFrmAlarm for each fired reminder, with the reminder settings of
// the moment it fires.
class AlarmWindows : public Alarms {
 public:
  AlarmWindows(AppServices& services, QString configFile)
      : services_(services), config_file_(std::move(configFile)) {}
  void open(const NoteRecord& note) override;

 private:
  AppServices& services_;
  QString config_file_;
};

}  // namespace qp
