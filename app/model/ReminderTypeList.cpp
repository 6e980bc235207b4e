#include "app/model/ReminderTypeList.h"

#include "app/model/OrdinalDay.h"

namespace qp {

QStringList ReminderTypeTexts(const QDate& date, const QLocale& locale) {
  return {
      locale.toString(date, QStringLiteral("dddd, MMMM d, yyyy")),
      QStringLiteral("Every Day"),
      QStringLiteral("Every Weekday"),
      QStringLiteral("Every ") + locale.toString(date, QStringLiteral("dddd")),
      QStringLiteral("Every Month on the ") + OrdinalSuffix(QString::number(date.day())),
      QStringLiteral("Every Year on ") + locale.toString(date, QStringLiteral("MMMM d")),
  };
}

int ReminderTypeForText(const QStringList& entries, const QString& typed, int previous) {
  const QString wanted = typed.trimmed();
  for (int i = 0; i < entries.size(); ++i)
    if (entries[i].compare(wanted, Qt::CaseInsensitive) == 0) return i;
  return previous;
}

}  // namespace qp
