// The alarm window through its controls: where it appears, its sound and
// replays, snoozing, its buttons' layout, and two alarms at once.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui/Alarm.h"

namespace qp {
namespace {

class CountingSound : public Sound {
 public:
  void play(const QString& file) override { played.append(file); }
  QStringList played;
};

class AlarmWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    preferences_.soundFile = folder_.filePath("Reminder.wav");
    QFile wave(preferences_.soundFile);
    ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
  }
  TFrmAlarm* Open(const QString& caption = "Dentist") {
    NoteRecord note;
    note.caption = caption;
    auto* alarm = new TFrmAlarm(note, preferences_, &sound_);
    alarm->show();
    return alarm;
  }
  static void Fire(QTimer& timer) { QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection); }
  static QPushButton* Button(QWidget* alarm, const char* name) { return alarm->findChild<QPushButton*>(name); }

  QTemporaryDir folder_;
  Preferences preferences_;
  CountingSound sound_;
};

TEST_F(AlarmWindowTest, ItGoesToTheChosenCornerOrItsUsualPlace) {
  const QRect screen(0, 0, 1024, 768);
  const QSize window(300, 250);
  const struct {
    int position;
    QPoint at;
  } cases[] = {{0, {0, 0}}, {1, {724, 0}}, {2, {0, 518}}, {3, {724, 518}}, {4, {207, 195}}, {9, {207, 195}}};
  for (const auto& c : cases) EXPECT_EQ(TFrmAlarm::placeFor(c.position, screen, window), c.at) << c.position;
  // On a second screen the corner is that screen's.
  EXPECT_EQ(TFrmAlarm::placeFor(3, QRect(1024, 0, 1280, 1024), window), QPoint(2004, 774));
}

TEST_F(AlarmWindowTest, ItStaysOnTheScreenWhateverItsSize) {
  const struct {
    int position;
    QRect screen;
    QSize window;
    QPoint at;
  } cases[] = {
      {4, QRect(0, 0, 400, 300), QSize(253, 230), {147, 70}},       // the usual place moves in
      {3, QRect(0, 0, 200, 150), QSize(253, 230), {0, 0}},          // larger than the screen
      {1, QRect(-1280, 0, 1280, 1024), QSize(300, 250), {-300, 0}},  // a screen left of the primary
      {4, QRect(1024, 100, 800, 600), QSize(300, 250), {1231, 295}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TFrmAlarm::placeFor(c.position, c.screen, c.window), c.at) << c.position << " " << c.screen.width();
}

TEST_F(AlarmWindowTest, ItOpensOnTheNotesScreenOrThePrimaryOne) {
  const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
  preferences_.reminderPosition = 0;
  for (QRect noteGeometry : {QRect(50, 60, 200, 180), QRect(-9000, -9000, 200, 180), QRect()}) {
    NoteRecord note;
    note.geometry = noteGeometry;
    TFrmAlarm alarm(note, preferences_, &sound_);
    EXPECT_EQ(alarm.pos(), primary.topLeft()) << noteGeometry.x();
  }
}

TEST_F(AlarmWindowTest, IntervalsFromAHandEditedConfigurationNeverRingWithoutPause) {
  const struct {
    int repeat, snooze;
    bool replays;
    int replayMs, snoozeMs;
  } cases[] = {
      {-1, 0, false, 0, 60000},
      {3, -5, true, 3 * 60000, 60000},
      {100000, 100000, true, 2147483647, 2147483647},
  };
  for (const auto& c : cases) {
    preferences_.repeatInterval = c.repeat;
    preferences_.snoozeInterval = c.snooze;
    std::unique_ptr<TFrmAlarm> alarm(Open());
    EXPECT_EQ(alarm->replayTimer().isActive(), c.replays) << c.repeat;
    if (c.replays) EXPECT_EQ(alarm->replayTimer().interval(), c.replayMs) << c.repeat;
    EXPECT_EQ(alarm->snoozeTimer().interval(), c.snoozeMs) << c.snooze;
  }
}

TEST_F(AlarmWindowTest, ItRingsWhenShownAndAgainAtEachReplay) {
  std::unique_ptr<TFrmAlarm> alarm(Open());
  EXPECT_EQ(sound_.played, QStringList{preferences_.soundFile});
  EXPECT_TRUE(alarm->replayTimer().isActive());
  EXPECT_EQ(alarm->replayTimer().interval(), 10 * 60000);
  Fire(alarm->replayTimer());
  EXPECT_EQ(sound_.played.size(), 2);
}

TEST_F(AlarmWindowTest, WithoutRepeatsOrSoundItRingsOnceOrNever) {
  preferences_.repeatInterval = 0;
  std::unique_ptr<TFrmAlarm> once(Open());
  EXPECT_EQ(sound_.played.size(), 1);
  EXPECT_FALSE(once->replayTimer().isActive());
  preferences_.repeatInterval = 10;
  preferences_.playSound = false;
  std::unique_ptr<TFrmAlarm> silent(Open());
  EXPECT_EQ(sound_.played.size(), 1);
  EXPECT_FALSE(silent->replayTimer().isActive());
  // A sound file that is gone plays nothing and says nothing.
  preferences_.playSound = true;
  preferences_.soundFile = folder_.filePath("gone.wav");
  std::unique_ptr<TFrmAlarm> missing(Open());
  EXPECT_EQ(sound_.played.size(), 1);
}

TEST_F(AlarmWindowTest, SnoozeHidesItAndItComesBackRinging) {
  std::unique_ptr<TFrmAlarm> alarm(Open());
  QTest::mouseClick(Button(alarm.get(), "BtnSnooze"), Qt::LeftButton);
  EXPECT_FALSE(alarm->isVisible());
  EXPECT_FALSE(alarm->replayTimer().isActive());
  EXPECT_TRUE(alarm->snoozeTimer().isActive());
  EXPECT_EQ(alarm->snoozeTimer().interval(), 5 * 60000);
  Fire(alarm->snoozeTimer());
  EXPECT_TRUE(alarm->isVisible());
  EXPECT_FALSE(alarm->snoozeTimer().isActive());
  EXPECT_TRUE(alarm->replayTimer().isActive());
  EXPECT_EQ(sound_.played.size(), 2);
}

TEST_F(AlarmWindowTest, TwoAlarmsRingSnoozeAndLayOutTheirButtonsEachOnTheirOwn) {
  QPointer<TFrmAlarm> first = Open("First");
  std::unique_ptr<TFrmAlarm> second(Open("Second"));
  EXPECT_EQ(sound_.played.size(), 2);
  QTest::mouseClick(Button(second.get(), "BtnSnooze"), Qt::LeftButton);
  EXPECT_TRUE(first->isVisible());
  EXPECT_TRUE(first->replayTimer().isActive());
  first->resize(400, 300);
  EXPECT_EQ(Button(first, "BtnSnooze")->x(), 118);
  EXPECT_EQ(Button(first, "BtnOk")->x(), 198);
  EXPECT_NE(Button(second.get(), "BtnSnooze")->x(), 118);
  // Ok closes and frees the window; the other stays snoozed.
  QTest::mouseClick(Button(first, "BtnOk"), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(second->snoozeTimer().isActive());
}

}  // namespace
}  // namespace qp
