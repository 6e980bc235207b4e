#pragma once
// Small routines of the notes store: times and dates in the table's text
// forms, file copy for the backup, template placement, and the record copy
// used to trash, restore and create notes.
#include <QDate>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QTime>
#include <string>

namespace xb {
class TXbDbf;
}

namespace qp {

// Hour and minute without leading zeros: 09:05 -> "9:5".
QString TimeToText(const QTime& time);
// Reads what TimeToText writes, also padded with blanks. Each number is
// read up to its first non-digit; text without a colon reads as hour 0.
// An impossible hour or minute gives an invalid QTime.
QTime TextToTime(const QString& text);
// The engine's date text of `date` (blank text for an invalid date).
std::string DateToTableText(const QDate& date);
// "YYYYMMDD" to a date; an impossible date gives an invalid QDate.
QDate DateKeyToDate(const std::string& key);
// A date field's text (engine date text) to a date; invalid when blank.
QDate TableTextToDate(const std::string& text);
// Copies the whole file; false on any error (a half-written target is
// removed).
bool CopyDataFile(const QString& source, const QString& target);

// Where a new note of `size` goes on a screen of `screen` size for the
// template position code (0 centre, 1..4 the corners); an unknown code
// leaves left = code, top = 0.
QPoint TemplatePosition(int code, QSize size, QSize screen);
// "Template n - Not Set" for the template's own number marks it unused.
bool IsTemplateUnused(const QString& trimmedName, int number);

// Blanks `target`'s record buffer and copies all 37 fields of `source`'s
// current record into it, the memo included. The caller appends it.
void CopyNoteRecord(xb::TXbDbf& source, xb::TXbDbf& target);

// Rounds halves to even, as the window arithmetic expects.
int RoundHalfEven(double value);

}  // namespace qp
