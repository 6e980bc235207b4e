#pragma once
// Where the program gets the time of day. Tests replace it so that dates
// and times written into notes are known in advance.
#include <QDateTime>

namespace qp {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

}  // namespace qp
