#include "app/model/OrdinalDay.h"

namespace qp {

QString OrdinalSuffix(const QString& dayText) {
  const QString digits = dayText.trimmed();
  const bool teen = digits.size() >= 2 && digits.at(digits.size() - 2) == QLatin1Char('1');
  const QChar last = digits.isEmpty() ? QChar() : digits.back();
  if (!teen) {
    if (last == QLatin1Char('1')) return dayText + "st";
    if (last == QLatin1Char('2')) return dayText + "nd";
    if (last == QLatin1Char('3')) return dayText + "rd";
  }
  return dayText + "th";
}

}  // namespace qp
