#pragma once
// Shared by the files that implement XbNoteStore's commands.
#include <QString>

#include "app/model/XbNoteStore.h"

namespace qp {

// Marks the store busy for one command; a nested command sees it.
class XbNoteStore::Guard {
 public:
  explicit Guard(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
  static QString busyText() { return QStringLiteral("the notes store is busy with another command"); }
  ~Guard() {
    if (entered_) busy_ = false;
  }
  bool entered() const { return entered_; }

 private:
  bool& busy_;
  bool entered_;
};

}  // namespace qp
