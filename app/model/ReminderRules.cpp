#include "app/model/ReminderRules.h"

#include "app/model/NoteFuncs.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/dates.h"

namespace qp {

namespace {

QTime FieldTime(xb::TXbDbf& notes, const char* name) {
  return TextToTime(QString::fromStdString(notes.GetField(name)));
}

// A date field as a date; a blank or impossible date reads as day 0 of the
// date arithmetic, 30 December 1899, so repeating reminders still compare
// against a real weekday, day and month.
QDate FieldDateOrDayZero(xb::TXbDbf& notes, const char* name) {
  const QDate date = TableTextToDate(notes.GetFieldDate(name));
  return date.isValid() ? date : QDate(1899, 12, 30);
}

// A time that cannot be read counts as midnight, so it never silences a
// reminder for good.
bool TimeHasCome(const QTime& now, const QTime& at) { return !at.isValid() || now >= at; }

// The day a reminder of `type` aims at when checked on `today`, or an
// invalid date when it is not meant for today at all.
QDate TargetDate(int type, const QDate& alarmDate, const QDate& today) {
  switch (type) {
    case kReminderDaily: return today;
    case kReminderWeekdays: return today.dayOfWeek() >= Qt::Saturday ? QDate() : today;
    case kReminderWeekly: return alarmDate.dayOfWeek() == today.dayOfWeek() ? today : QDate();
    case kReminderMonthly: return alarmDate.day() == today.day() ? today : QDate();
    case kReminderYearly:
      return alarmDate.month() == today.month() && alarmDate.day() == today.day() ? today : QDate();
    case kReminderOnce:
    default: return alarmDate;
  }
}

}  // namespace

bool IsNoteExpired(xb::TXbDbf& notes, const QDateTime& now) {
  if (notes.GetField("EXPIRES") != "Y") return false;
  const QTime expiryTime = FieldTime(notes, "EXPIRETIME");
  if (notes.GetFieldInt("EXPIRETYPE") == kExpiresEveryDay) return TimeHasCome(now.time(), expiryTime);
  // Compared as "YYYYMMDD" text: a blank expiry date sorts before every
  // day and so counts as long past.
  const std::string expiryKey = xb::DateToDbf(notes.GetFieldDate("EXPIREDATE"));
  const std::string todayKey = now.date().toString("yyyyMMdd").toStdString();
  if (expiryKey < todayKey) return true;
  if (expiryKey == todayKey) return TimeHasCome(now.time(), expiryTime);
  return false;
}

bool IsReminderDue(xb::TXbDbf& notes, const QDateTime& now) {
  if (notes.GetField("ALARMACT") != "Y") return false;
  const QTime reminderTime = FieldTime(notes, "ALARMTIME");
  const QDate alarmDate = FieldDateOrDayZero(notes, "ALARMDATE");
  const QDate today = now.date();
  const QDate target = TargetDate(notes.GetFieldInt("ALARMTYPE"), alarmDate, today);
  if (target != today) return false;
  if (!TimeHasCome(now.time(), reminderTime)) return false;
  // It fires once per target date and reminder time: a new time on the
  // same day makes it due again.
  const QDate lastDate = TableTextToDate(notes.GetFieldDate("DATEALMACT"));
  const QTime lastTime = FieldTime(notes, "TIMEALMACT");
  return lastDate != target || lastTime != reminderTime;
}

}  // namespace qp
