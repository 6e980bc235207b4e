#pragma once
// When a note's reminder is due and when a note has expired, read from the
// current record of the notes table at a given moment. The moment comes
// from the caller (the program's clock), so every rule can be tested at any
// date and time.
#include <QDateTime>

namespace xb {
class TXbDbf;
}

namespace qp {

// Reminder types as ALARMTYPE stores them; any other value acts as Once.
enum ReminderType {
  kReminderOnce = 0,
  kReminderDaily = 1,
  kReminderWeekdays = 2,
  kReminderWeekly = 3,
  kReminderMonthly = 4,
  kReminderYearly = 5,
};
// EXPIRETYPE of a note that expires every day; any other value expires once.
inline constexpr int kExpiresEveryDay = 2;

// True when EXPIRES is "Y" and the expiry moment has come: every day from
// EXPIRETIME on, or from EXPIRETIME of EXPIREDATE on and every later day.
bool IsNoteExpired(xb::TXbDbf& notes, const QDateTime& now);

// True when the reminder is active, today is its target date, its time has
// come and it has not yet fired for this target date and this time.
bool IsReminderDue(xb::TXbDbf& notes, const QDateTime& now);

}  // namespace qp
