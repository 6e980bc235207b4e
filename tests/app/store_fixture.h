#pragma once
// A program folder of its own for each test, with the engine reset and
// United States date settings, and a store over it at a fixed time.
#include <QDateTime>
#include <QString>
#include <memory>

#include "app/model/XbNoteStore.h"
#include "engine/dataset/uxbfds.h"
#include "tests/dataset/dataset_fixture.h"

namespace qp {

class FixedClock : public Clock {
 public:
  QDateTime now() const override { return time; }
  QDateTime time = QDateTime(QDate(2026, 6, 1), QTime(9, 5, 30));
};

class StoreTest : public xb::DatasetTest {
 protected:
  QString folder() const { return QString::fromStdString(scratch_.dir().string()) + "/"; }
  // A store that has read the run status and opened its tables.
  std::unique_ptr<XbNoteStore> OpenStore() {
    auto store = std::make_unique<XbNoteStore>(folder(), clock_);
    store->readRunStatus();
    QStringList failed;
    EXPECT_TRUE(store->open(&failed)) << failed.join(", ").toStdString();
    return store;
  }
  // A note made from template 1 on a 1000 x 800 screen.
  static NoteRecord NewNote(XbNoteStore& store, int handle = 7) {
    StoreResult result = StoreResult::Failed;
    NoteRecord note = store.newNoteFromTemplate(1, handle, QSize(1000, 800), &result);
    EXPECT_EQ(result, StoreResult::Done);
    return note;
  }
  static std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  FixedClock clock_;
};

// A second table component over the same notes file, standing for another
// program that holds a lock.
inline std::unique_ptr<xb::TXbDbf> OtherProgramNotes(const QString& folder) {
  auto other = std::make_unique<xb::TXbDbf>("Other");
  other->SetDbfFileName((folder + "notes.dbf").toStdString());
  other->SetExclusive(false);
  other->Open();
  return other;
}

}  // namespace qp
