#include "app/model/NoteTextIndex.h"

#include <QFileInfo>
#include <filesystem>

#include "app/model/RtfPlainText.h"
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
  if (RtfReader::looksLikeRtf(memo)) return RtfPlainText(memo);
  return IniFile::decodeWindows1252(memo);
}

void NoteTextIndex::clear() {
  entries_.clear();
  walk_ = Walk{};
}

QString NoteTextIndex::stampOf(xb::TXbDbf& table, quint64 writes) const {
  const std::string path = table.DbfFileName();
  return FileStamp(path) + '|' + FileStamp(MemoFileOf(path)) + '|' + QString::number(writes);
}

void NoteTextIndex::index(xb::TXbDbf& table) {
  const int recNo = table.RecNo();
  const std::string caption = table.GetField("DESC");
  xb::TField* memo = table.FindField("MEMO");
  const std::string text = memo ? memo->AsString() : std::string();
  const size_t hash = std::hash<std::string>{}(caption + '\0' + text);
  auto it = entries_.find(recNo);
  if (it != entries_.end() && it->hash == hash) return;
  Entry entry;
  entry.hash = hash;
  entry.folded = FoldForSearch(IniFile::decodeWindows1252(QByteArray::fromStdString(caption)).trimmed() + '\n' +
                               PlainTextOfMemo(QByteArray::fromStdString(text)));
  entries_.insert(recNo, entry);
}

bool NoteTextIndex::prepare(xb::TXbDbf& table, const QString& orderKey, quint64 writes, int budget) {
  const QString stamp = stampOf(table, writes);
  if (walk_.stamp != stamp || walk_.orderKey != orderKey) {
    // Something changed, or another page: the walk starts again, and each
    // note it meets is checked against its entry (only changed notes are
    // converted again).
    walk_ = Walk{stamp, orderKey, {}, false};
  }
  if (walk_.done) return true;
  if (walk_.order.empty()) {
    table.GoTop();
  } else {
    table.Go(walk_.order.back());
    table.Skip(1);
  }
  for (int read = 0; !table.IsEOF() && (budget < 0 || read < budget); ++read) {
    index(table);
    walk_.order.push_back(table.RecNo());
    table.Skip(1);
  }
  walk_.done = table.IsEOF();
  return walk_.done;
}

std::vector<int> NoteTextIndex::matching(xb::TXbDbf& table, const QString& orderKey, quint64 writes,
                                         const QString& query) {
  prepare(table, orderKey, writes, -1);
  const QStringList words = SearchWords(query);
  std::vector<int> found;
  for (int recNo : walk_.order) {
    auto it = entries_.constFind(recNo);
    if (it != entries_.constEnd() && MatchesAllWords(it->folded, words)) found.push_back(recNo);
  }
  return found;
}

}  // namespace qp
