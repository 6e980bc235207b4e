#pragma once
// The search's memory of what each note says: the caption and the plain
// text of its rich text, folded for comparison (SearchText.h), by record
// number. Turning RTF into text is by far the slowest step of a search, so
// it is done once per note and again only when that note changed: each
// entry keeps a hash of the caption and memo it was made from. Whether
// anything changed at all is told by the table's change stamp (the sizes
// and times of the table and memo files, and the store's own write
// count): while it stands, a search reads no record, only this index and
// the order of the rows.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace xb {
class TXbDbf;
}

namespace qp {

class NoteTextIndex {
 public:
  // Record numbers, in the dataset's current order and filter, of the
  // notes containing every word of `query`. `orderKey` names that order
  // and filter, so the walk is remembered per page. `writes` is the store's
  // own write count.
  std::vector<int> matching(xb::TXbDbf& table, const QString& orderKey, quint64 writes, const QString& query);
  // Reads up to `budget` more notes of the walk for (orderKey, writes), so
  // the first search finds the work done; true once the walk is complete.
  // The manager calls it while the user does nothing.
  bool prepare(xb::TXbDbf& table, const QString& orderKey, quint64 writes, int budget);
  // Forgets everything (the table was closed or replaced).
  void clear();

 private:
  struct Entry {
    size_t hash = 0;
    QString folded;  // caption, a line break, then the plain text
  };
  // A walk through the table in one order under one change stamp. It can
  // stop and go on later: it continues after the last record it read.
  struct Walk {
    QString stamp;
    QString orderKey;
    std::vector<int> order;
    bool done = false;
  };
  QString stampOf(xb::TXbDbf& table, quint64 writes) const;
  // Brings the entry of the table's current record up to date.
  void index(xb::TXbDbf& table);

  QHash<int, Entry> entries_;
  Walk walk_;
};

// The plain text of a stored memo (RTF, or Windows-1252 text).
QString PlainTextOfMemo(const QByteArray& memo);

}  // namespace qp
