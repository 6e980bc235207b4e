// The alarm window through its controls: where it appears, its sound and
// replays, snoozing, its buttons' layout, and two alarms at once.
#include <gtest/gtest.h>

#include <QFile>
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
