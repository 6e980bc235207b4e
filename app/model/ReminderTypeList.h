#pragma once
// The texts of the reminder type list in the properties dialog, and how a
// text typed into that list becomes an ALARMTYPE code.
#include <QDate>
#include <QLocale>
#include <QStringList>

namespace qp {

// The six entries, index = ALARMTYPE, for the date chosen in the calendar:
// the date itself, "Every Day", "Every Weekday", "Every <weekday>",
// "Every Month on the <day>th", "Every Year on <month> <day>". Day and
// month names come from `locale`.
QStringList ReminderTypeTexts(const QDate& date, const QLocale& locale = QLocale());

// The code for a text typed into the list: the entry it names (without
// regard to case or surrounding blanks), else `previous`, so a text that
// names no entry never stores a code the checks do not know.
int ReminderTypeForText(const QStringList& entries, const QString& typed, int previous);

}  // namespace qp
