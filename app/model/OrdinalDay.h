#pragma once
// English ordinals for the day of the month in reminder descriptions such
// as "Every Month on the 11th".
#include <QString>

namespace qp {

// `dayText` with its ordinal ending: "1st", "2nd", "3rd", "4th", "11th",
// "12th", "13th", "21st", "22nd", "23rd", "30th". The teens take "th"
// whatever their last digit; text that does not end in a digit takes "th".
QString OrdinalSuffix(const QString& dayText);

}  // namespace qp
