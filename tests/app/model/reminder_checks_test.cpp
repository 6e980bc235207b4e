// When reminders fall due and notes expire, and what the checks do about
// it, on real tables with the clock set by each case.
#include <QDateTime>

#include "app/model/NoteFuncs.h"
#include "app/model/ReminderRules.h"
#include "app/model/WriteProtocol.h"
#include "tests/app/store_fixture.h"

namespace qp {
namespace {

QDateTime At(int y, int m, int d, int h, int min, int s = 0) { return QDateTime(QDate(y, m, d), QTime(h, min, s)); }

class ReminderChecksTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    store_ = OpenStore();
    note_ = NewNote(*store_);
  }
  // The store closes its tables, as the program does, before the engine
  // is reset.
  void TearDown() override {
    store_.reset();
    StoreTest::TearDown();
  }
  // Gives the test note a reminder; `lastDate` invalid: it never fired.
  void SetReminder(int type, QDate date, QTime time, QDate lastDate = {}, QTime lastTime = {}) {
    note_.alarmActive = true;
    note_.alarmType = type;
    note_.alarmDate = date;
    note_.alarmTime = time;
    ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
    xb::TXbDbf& notes = store_->notes();
    notes.Go(note_.recNo);
    notes.PutField("TIMEALMACT", lastDate.isValid() ? TimeToText(lastTime).toStdString() : "");
    if (lastDate.isValid())
      notes.PutFieldStr("DATEALMACT", DateToTableText(lastDate));
    else
      notes.FieldByName("DATEALMACT")->Clear();
    ASSERT_EQ(RewriteWithLock(notes), WriteOutcome::Written);
  }
  void SetExpiry(int type, QDate date, QTime time, bool toTrash = false) {
    note_.expires = true;
    note_.expireType = type;
    note_.expireDate = date;
    note_.expireTime = time;
    note_.expireToTrash = toTrash;
    ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
  }
  bool DueAt(const QDateTime& now) {
    store_->notes().Go(note_.recNo);
    return IsReminderDue(store_->notes(), now);
  }
  bool ExpiredAt(const QDateTime& now) {
    store_->notes().Go(note_.recNo);
    return IsNoteExpired(store_->notes(), now);
  }
  std::string Field(const char* name) {
    store_->notes().Go(note_.recNo);
    return Trimmed(store_->notes().GetField(name));
  }
  // Callbacks that record what the checks asked of the windows.
  CheckCallbacks Recording(bool windowExists = true) {
    CheckCallbacks callbacks;
    callbacks.hideNoteWindow = [this, windowExists](int handle) {
      hidden_.append(handle);
      return windowExists;
    };
    callbacks.openAlarm = [this](const NoteRecord& note) { alarms_.append(note.caption); };
    return callbacks;
  }

  std::unique_ptr<XbNoteStore> store_;
  NoteRecord note_;
  QList<int> hidden_;
  QStringList alarms_;
};

struct ReminderCase {
  const char* name;
  int type;
  QDate alarmDate;
  QTime alarmTime;
  QDate lastDate;
  QTime lastTime;
  QDateTime now;
  bool due;
};

TEST_F(ReminderChecksTest, EachReminderTypeIsDueOnItsOwnDaysOnly) {
  const QTime ten(10, 0);
  const ReminderCase cases[] = {
      {"once, today, at its minute", kReminderOnce, QDate(2026, 6, 1), ten, {}, {}, At(2026, 6, 1, 10, 0, 30), true},
      {"once, today, a minute early", kReminderOnce, QDate(2026, 6, 1), ten, {}, {}, At(2026, 6, 1, 9, 59), false},
      {"once, for yesterday", kReminderOnce, QDate(2026, 5, 31), ten, {}, {}, At(2026, 6, 1, 11, 0), false},
      {"once, for tomorrow", kReminderOnce, QDate(2026, 6, 2), ten, {}, {}, At(2026, 6, 1, 11, 0), false},
      {"once, fell due while not running, same day", kReminderOnce, QDate(2026, 6, 1), ten, {}, {},
       At(2026, 6, 1, 23, 59), true},
      {"once, already fired", kReminderOnce, QDate(2026, 6, 1), ten, QDate(2026, 6, 1), ten, At(2026, 6, 1, 10, 1),
       false},
      {"once, time changed after firing", kReminderOnce, QDate(2026, 6, 1), QTime(10, 5), QDate(2026, 6, 1), ten,
       At(2026, 6, 1, 10, 5), true},
      {"once, changed time not yet come", kReminderOnce, QDate(2026, 6, 1), QTime(10, 5), QDate(2026, 6, 1), ten,
       At(2026, 6, 1, 10, 4), false},
      {"daily, fired yesterday", kReminderDaily, QDate(2020, 1, 1), ten, QDate(2026, 5, 31), ten,
       At(2026, 6, 1, 10, 0), true},
      {"daily, fired today", kReminderDaily, QDate(2020, 1, 1), ten, QDate(2026, 6, 1), ten, At(2026, 6, 1, 18, 0),
       false},
      {"weekdays, on Friday, set on a Saturday", kReminderWeekdays, QDate(2026, 6, 6), ten, {}, {},
       At(2026, 6, 5, 10, 0), true},
      {"weekdays, on Saturday", kReminderWeekdays, QDate(2026, 6, 1), ten, {}, {}, At(2026, 6, 6, 10, 0), false},
      {"weekdays, on Sunday", kReminderWeekdays, QDate(2026, 6, 1), ten, {}, {}, At(2026, 6, 7, 10, 0), false},
      {"weekly, same weekday", kReminderWeekly, QDate(2026, 5, 26), ten, {}, {}, At(2026, 6, 2, 10, 0), true},
      {"weekly, other weekday", kReminderWeekly, QDate(2026, 5, 26), ten, {}, {}, At(2026, 6, 3, 10, 0), false},
      {"monthly on the 31st, in May", kReminderMonthly, QDate(2026, 1, 31), ten, {}, {}, At(2026, 5, 31, 10, 0),
       true},
      {"monthly on the 31st, end of April", kReminderMonthly, QDate(2026, 1, 31), ten, {}, {},
       At(2026, 4, 30, 10, 0), false},
      {"monthly on the 31st, end of February", kReminderMonthly, QDate(2026, 1, 31), ten, {}, {},
       At(2026, 2, 28, 10, 0), false},
      {"yearly on 29 February, leap year", kReminderYearly, QDate(2024, 2, 29), ten, {}, {},
       At(2028, 2, 29, 10, 0), true},
      {"yearly on 29 February, 28th of a common year", kReminderYearly, QDate(2024, 2, 29), ten, {}, {},
       At(2027, 2, 28, 10, 0), false},
      {"yearly on 29 February, 1 March of a common year", kReminderYearly, QDate(2024, 2, 29), ten, {}, {},
       At(2027, 3, 1, 10, 0), false},
      {"unknown type acts as once", 9, QDate(2026, 6, 1), ten, {}, {}, At(2026, 6, 1, 10, 0), true},
      {"unknown type, other day", 9, QDate(2026, 5, 1), ten, {}, {}, At(2026, 6, 1, 10, 0), false},
  };
  for (const ReminderCase& c : cases) {
    SetReminder(c.type, c.alarmDate, c.alarmTime, c.lastDate, c.lastTime);
    EXPECT_EQ(DueAt(c.now), c.due) << c.name;
  }
}

TEST_F(ReminderChecksTest, AReminderWithoutAValidDateTakesDayZeroASaturday) {
  // The field starts blank: a once-only reminder never fires, a weekly one
  // fires on Saturdays.
  SetReminder(kReminderOnce, {}, QTime(10, 0));
  EXPECT_FALSE(DueAt(At(2026, 6, 6, 10, 0)));
  SetReminder(kReminderWeekly, {}, QTime(10, 0));
  EXPECT_TRUE(DueAt(At(2026, 6, 6, 10, 0)));
  EXPECT_FALSE(DueAt(At(2026, 6, 5, 10, 0)));
}

TEST_F(ReminderChecksTest, AnInactiveReminderIsNeverDue) {
  SetReminder(kReminderDaily, QDate(2026, 6, 1), QTime(10, 0));
  note_.alarmActive = false;
  ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
  EXPECT_FALSE(DueAt(At(2026, 6, 1, 12, 0)));
}

struct ExpiryCase {
  const char* name;
  int type;
  QDate date;
  QTime time;
  QDateTime now;
  bool expired;
};

TEST_F(ReminderChecksTest, ANoteExpiresFromItsMomentOn) {
  const QTime noon(12, 0);
  const ExpiryCase cases[] = {
      {"once today, before noon", 1, QDate(2026, 6, 1), noon, At(2026, 6, 1, 11, 59, 59), false},
      {"once today, at noon", 1, QDate(2026, 6, 1), noon, At(2026, 6, 1, 12, 0), true},
      {"once yesterday, early today", 1, QDate(2026, 5, 31), QTime(18, 0), At(2026, 6, 1, 8, 0), true},
      {"once tomorrow", 1, QDate(2026, 6, 2), noon, At(2026, 6, 1, 23, 0), false},
      {"every day at 18:00, next morning", kExpiresEveryDay, QDate(2026, 5, 31), QTime(18, 0),
       At(2026, 6, 1, 8, 0), false},
      {"every day at 18:00, at 18:00", kExpiresEveryDay, QDate(2026, 5, 31), QTime(18, 0), At(2026, 6, 1, 18, 0),
       true},
  };
  for (const ExpiryCase& c : cases) {
    SetExpiry(c.type, c.date, c.time);
    EXPECT_EQ(ExpiredAt(c.now), c.expired) << c.name;
  }
  note_.expires = false;
  ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
  EXPECT_FALSE(ExpiredAt(At(2030, 1, 1, 0, 0))) << "no expiry";
}

TEST_F(ReminderChecksTest, AReminderFiresOnceAndAgainWhenItsTimeChanges) {
  note_.caption = "Call the bank";
  SetReminder(kReminderOnce, QDate(2026, 6, 1), QTime(10, 0));
  clock_.time = At(2026, 6, 1, 10, 0, 30);
  EXPECT_TRUE(store_->checkReminders(Recording()));
  EXPECT_EQ(alarms_, QStringList{"Call the bank"});
  EXPECT_EQ(TableTextToDate(store_->notes().GetFieldDate("DATEALMACT")), QDate(2026, 6, 1));
  EXPECT_EQ(Field("TIMEALMACT"), "10:0");
  EXPECT_EQ(Field("ALARMACT"), "Y");  // firing leaves the reminder active

  clock_.time = At(2026, 6, 1, 10, 1, 30);
  EXPECT_TRUE(store_->checkReminders(Recording()));
  EXPECT_EQ(alarms_.size(), 1) << "fired twice";

  note_.alarmTime = QTime(10, 5);
  ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
  clock_.time = At(2026, 6, 1, 10, 4, 59);
  store_->checkReminders(Recording());
  EXPECT_EQ(alarms_.size(), 1);
  clock_.time = At(2026, 6, 1, 10, 5);
  store_->checkReminders(Recording());
  EXPECT_EQ(alarms_.size(), 2);
}

TEST_F(ReminderChecksTest, AReminderWhoseNoteIsLockedStillAlarmsAndStaysDue) {
  SetReminder(kReminderOnce, QDate(2026, 6, 1), QTime(10, 0));
  clock_.time = At(2026, 6, 1, 10, 0);
  auto other = OtherProgramNotes(folder());
  other->Go(note_.recNo);
  ASSERT_TRUE(other->RLock());
  store_->checkReminders(Recording());
  EXPECT_EQ(alarms_.size(), 1);
  other->UnLock();
  store_->checkReminders(Recording());
  EXPECT_EQ(alarms_.size(), 2) << "the unrecorded firing must come again";
  store_->checkReminders(Recording());
  EXPECT_EQ(alarms_.size(), 2);
}

TEST_F(ReminderChecksTest, AtStartUpAnExpiredNoteIsStoredHiddenWithoutAnyWindow) {
  SetExpiry(1, QDate(2026, 5, 31), QTime(18, 0));
  clock_.time = At(2026, 6, 1, 8, 0);
  EXPECT_TRUE(store_->checkExpiredNotes(ExpiryCheck::StartUp, Recording()));
  EXPECT_TRUE(hidden_.isEmpty()) << "no window may be asked at start-up";
  EXPECT_EQ(Field("SHOWING"), "N");
  EXPECT_EQ(Field("EXPIRES"), "Y");
  EXPECT_TRUE(store_->showingNotes().isEmpty());
}

TEST_F(ReminderChecksTest, AnExpiredNoteMarkedForTheTrashMovesThere) {
  note_.caption = "Old news";
  SetExpiry(1, QDate(2026, 5, 31), QTime(18, 0), /*toTrash=*/true);
  clock_.time = At(2026, 6, 1, 8, 0);
  EXPECT_TRUE(store_->checkExpiredNotes(ExpiryCheck::StartUp, {}));
  EXPECT_FALSE(store_->readNote(note_.recNo).has_value());
  store_->trash().GoTop();
  ASSERT_FALSE(store_->trash().IsEOF());
  EXPECT_EQ(Trimmed(store_->trash().GetField("DESC")), "Old news");
  EXPECT_EQ(store_->trash().GetField("SHOWING"), "N");
}

TEST_F(ReminderChecksTest, FromTheTimerTheNotesWindowHidesItAndAShownAgainNoteIsHiddenAgain) {
  SetExpiry(1, QDate(2026, 6, 1), QTime(12, 0));
  clock_.time = At(2026, 6, 1, 11, 59);
  store_->checkExpiredNotes(ExpiryCheck::Timer, Recording());
  EXPECT_TRUE(hidden_.isEmpty());
  clock_.time = At(2026, 6, 1, 12, 0);
  store_->checkExpiredNotes(ExpiryCheck::Timer, Recording());
  EXPECT_EQ(hidden_, QList<int>{note_.handle});
  // Without a window of that id the store marks the note hidden itself.
  clock_.time = At(2026, 6, 1, 12, 10);
  store_->checkExpiredNotes(ExpiryCheck::Timer, Recording(/*windowExists=*/false));
  EXPECT_EQ(hidden_.size(), 2);
  EXPECT_EQ(Field("SHOWING"), "N");
  // Shown again through the manager, it is hidden again at the next check.
  ASSERT_EQ(store_->updateNote(note_, Showing::Shown), StoreResult::Done);
  clock_.time = At(2026, 6, 1, 12, 11);
  store_->checkExpiredNotes(ExpiryCheck::Timer, Recording(false));
  EXPECT_EQ(Field("SHOWING"), "N");
}

TEST_F(ReminderChecksTest, ChecksLeaveTheCurrentIndexTagAsTheyFoundIt) {
  SetReminder(kReminderDaily, QDate(2026, 6, 1), QTime(10, 0));
  SetExpiry(kExpiresEveryDay, QDate(2026, 6, 1), QTime(9, 0));
  store_->notes().SetOrderToTag("BOARD");
  clock_.time = At(2026, 6, 1, 10, 0);
  store_->checkExpiredNotes(ExpiryCheck::Timer, Recording());
  store_->checkReminders(Recording());
  EXPECT_EQ(store_->notes().CurrentTag(), "BOARD");
  EXPECT_EQ(alarms_.size(), 1);
  EXPECT_EQ(hidden_.size(), 1);
}

}  // namespace
}  // namespace qp
