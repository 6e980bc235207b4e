#include "app/model/NoteTextIndex.h"

#include <QFileInfo>
#include <QTextDocument>
#include <filesystem>

#include "app/model/SearchText.h"
#include "components/IniFile.h"
#include "engine/dataset/field.h"
#include "engine/dataset/uxbfds.h"
#include "richtext/RtfReader.h"

namespace qp {

namespace {

QString FileStamp(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return QStringLiteral("-");
  const auto time = std::filesystem::last_write_time(path, error);
  return QStringLiteral("%1@%2").arg(size).arg(error ? 0 : time.time_since_epoch().count());
}

std::string MemoFileOf(const std::string& table) {
  const size_t dot = table.find_last_of('.');
  const std::string stem = dot == std::string::npos ? table : table.substr(0, dot);
  for (const char* ext : {".dbt", ".DBT", ".fpt", ".FPT"})
    if (std::filesystem::exists(stem + ext)) return stem + ext;
  return stem + ".dbt";
}

}  // namespace

QString PlainTextOfMemo(const QByteArray& memo) {
  if (RtfReader::looksLikeRtf(memo)) {
    QTextDocument document;
    RtfReader reader;
    if (reader.read(memo, document)) return document.toPlainText();
  }
  return IniFile::decodeWindows1252(memo);
}

void NoteTextIndex::clear() {
  entries_.clear();
  stamp_.clear();
  order_key_.clear();
  order_.clear();
}

QString NoteTextIndex::stampOf(xb::TXbDbf& table, quint64 writes) const {
  const std::string path = table.DbfFileName();
  return FileStamp(path) + '|' + FileStamp(MemoFileOf(path)) + '|' + QString::number(writes);
}

void NoteTextIndex::rebuild(xb::TXbDbf& table, const QString& orderKey) {
  order_.clear();
  QHash<int, Entry> kept;
  xb::TField* memo = table.FindField("MEMO");
  table.GoTop();
  while (!table.IsEOF()) {
    const int recNo = table.RecNo();
    const std::string caption = table.GetField("DESC");
    const std::string text = memo ? memo->AsString() : std::string();
    const size_t hash = std::hash<std::string>{}(caption + '\0' + text);
    auto it = entries_.find(recNo);
    if (it == entries_.end() || it->hash != hash) {
      Entry entry;
      entry.hash = hash;
      entry.folded = FoldForSearch(IniFile::decodeWindows1252(QByteArray::fromStdString(caption)).trimmed() + '\n' +
                                   PlainTextOfMemo(QByteArray::fromStdString(text)));
      kept.insert(recNo, entry);
    } else {
      kept.insert(recNo, *it);
    }
    order_.push_back(recNo);
    table.Skip(1);
  }
  // Only the notes of this walk stay: a page sees a part of the table,
  // and the next page's walk reads the others again (hashes decide).
  for (auto it = entries_.begin(); it != entries_.end(); ++it)
    if (!kept.contains(it.key())) kept.insert(it.key(), it.value());
  entries_ = std::move(kept);
  order_key_ = orderKey;
}

std::vector<int> NoteTextIndex::matching(xb::TXbDbf& table, const QString& orderKey, quint64 writes,
                                         const QString& query) {
  const QString stamp = stampOf(table, writes);
  if (stamp != stamp_) {
    // Something changed: every entry is checked against its record.
    rebuild(table, orderKey);
    stamp_ = stamp;
  } else if (orderKey != order_key_) {
    rebuild(table, orderKey);
  }
  const QStringList words = SearchWords(query);
  std::vector<int> found;
  for (int recNo : order_) {
    auto it = entries_.constFind(recNo);
    if (it != entries_.constEnd() && MatchesAllWords(it->folded, words)) found.push_back(recNo);
  }
  return found;
}

}  // namespace qp
