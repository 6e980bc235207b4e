#include "app/model/XbNoteStore.h"

#include <QDir>
#include <QFile>
#include <cmath>

#include "app/model/FirstStartTemplates.h"
#include "app/model/NoteFuncs.h"
#include "app/model/ProgramFolder.h"
#include "app/model/WriteProtocol.h"
#include "app/model/notes_fields.h"
#include "components/IniFile.h"
#include "engine/dataset/field.h"
#include "engine/dataset/ucommon.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace qp {

namespace {

QString Text(const std::string& bytes) { return IniFile::decodeWindows1252(QByteArray::fromStdString(bytes)).trimmed(); }
std::string Bytes(const QString& text) { return IniFile::encodeWindows1252(text).toStdString(); }
bool Flag(xb::TXbDbf& t, const char* name) { return t.GetField(name) == "Y"; }
const char* YesNo(bool on) { return on ? "Y" : "N"; }

QByteArray Memo(xb::TXbDbf& t) {
  xb::TField* memo = t.FindField("MEMO");
  return memo ? QByteArray::fromStdString(memo->AsString()) : QByteArray();
}

}  // namespace

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

NoteRecord ReadNoteRecord(xb::TXbDbf& t) {
  NoteRecord r;
  r.recNo = t.RecNo();
  r.handle = t.GetFieldInt("HANDLE");
  r.caption = Text(t.GetField("DESC"));
  r.rtf = Memo(t);
  r.color = static_cast<quint32>(t.GetFieldInt("COLOR"));
  r.geometry = QRect(t.GetFieldInt("LEFT"), t.GetFieldInt("TOP"), t.GetFieldInt("WIDTH"), t.GetFieldInt("HEIGHT"));
  r.collapsed = Flag(t, "MINIMIZED");
  r.showing = Flag(t, "SHOWING");
  r.stayOnTop = Flag(t, "STAYONTOP");
  r.created = Text(t.GetFieldDate("DATECREATE"));
  r.board = Text(t.GetField("NOTEBOARD"));
  r.alarmActive = Flag(t, "ALARMACT");
  r.alarmType = t.GetFieldInt("ALARMTYPE");
  r.alarmDate = TableTextToDate(t.GetFieldDate("ALARMDATE"));
  r.alarmTime = TextToTime(Text(t.GetField("ALARMTIME")));
  r.expires = Flag(t, "EXPIRES");
  r.expireType = t.GetFieldInt("EXPIRETYPE");
  r.expireDate = TableTextToDate(t.GetFieldDate("EXPIREDATE"));
  r.expireTime = TextToTime(Text(t.GetField("EXPIRETIME")));
  r.expireToTrash = Flag(t, "EXPIRETRSH");
  r.capFontName = Text(t.GetField("CAPFONTNAM"));
  r.capFontSize = static_cast<int>(std::lround(t.GetFieldFloat("CAPFONTSIZ")));
  r.capFontColor = static_cast<quint32>(t.GetFieldInt("CAPFONTCOL"));
  return r;
}

void PutNoteFields(xb::TXbDbf& t, const NoteRecord& n, Showing showing) {
  if (showing != Showing::Unchanged) t.PutField("SHOWING", showing == Showing::Shown ? "Y" : "N");
  t.PutFieldInt("COLOR", static_cast<int32_t>(n.color));
  t.PutField("MINIMIZED", YesNo(n.collapsed));
  t.PutFieldInt("LEFT", n.geometry.left());
  t.PutFieldInt("TOP", n.geometry.top());
  t.PutFieldInt("WIDTH", n.geometry.width());
  t.PutFieldInt("HEIGHT", n.geometry.height());
  t.FieldByName("MEMO")->SetAsString(n.rtf.toStdString());
  t.PutField("DESC", Bytes(n.caption.left(50)));
  t.PutField("STAYONTOP", YesNo(n.stayOnTop));
  t.PutField("ALARMACT", YesNo(n.alarmActive));
  // An unknown date leaves the field as it is rather than blanking it.
  if (n.alarmDate.isValid()) t.PutFieldStr("ALARMDATE", DateToTableText(n.alarmDate));
  t.PutFieldInt("ALARMTYPE", n.alarmType);
  t.PutField("ALARMTIME", TimeToText(n.alarmTime).toStdString());
  t.PutField("EXPIRES", YesNo(n.expires));
  if (n.expireDate.isValid()) t.PutFieldStr("EXPIREDATE", DateToTableText(n.expireDate));
  t.PutFieldInt("EXPIRETYPE", n.expireType);
  t.PutField("EXPIRETIME", TimeToText(n.expireTime).toStdString());
  t.PutField("EXPIRETRSH", YesNo(n.expireToTrash));
  t.PutField("CAPFONTNAM", Bytes(n.capFontName.trimmed()));
  t.PutFieldFloat("CAPFONTSIZ", n.capFontSize);
  t.PutFieldInt("CAPFONTCOL", static_cast<int32_t>(n.capFontColor));
}

XbNoteStore::XbNoteStore(QString programFolder, const Clock& clock)
    : folder_(std::move(programFolder)), clock_(clock) {
  if (!folder_.endsWith('/')) folder_ += '/';
  xb::DatasetLayerInit();
  // Engine errors are read from its error state and reported by the store;
  // the engine must never end the program on its own.
  xb::SetReportErrors(false);
  notes_ = std::make_unique<xb::TXbDbf>("XbNotes");
  trash_ = std::make_unique<xb::TXbDbf>("XbTrash");
  defaults_ = std::make_unique<xb::TXbDbf>("XbDefaults");
  xb::ConfigureNotesTable(*notes_);
  xb::DeclareNotesFields(*notes_);
  xb::ConfigureNotesTable(*trash_);
  xb::DeclareNotesFields(*trash_);
  xb::ConfigureNotesTable(*defaults_, xb::DefaultsDbfFields());
}

XbNoteStore::~XbNoteStore() {
  for (auto* t : {notes_.get(), trash_.get(), defaults_.get()}) {
    try {
      if (t->Active()) t->Close();
    } catch (const std::exception&) {
    }
  }
}

void XbNoteStore::readRunStatus() { run_status_ = ReadRunStatus(folder_); }

bool XbNoteStore::isOpen() const { return notes_->Active() && trash_->Active() && defaults_->Active(); }

void XbNoteStore::noteEngineError(const QString& what) {
  last_error_ = what;
  if (xb::ErrorCode() != 0) last_error_ += QStringLiteral(": ") + QString::fromStdString(xb::ErrorText());
}

bool XbNoteStore::open(QStringList* failedPaths) {
  Guard guard(busy_);
  bool ok = true;
  const struct {
    xb::TXbDbf* table;
    const char* name;
  } tables[] = {{notes_.get(), "notes.dbf"}, {trash_.get(), "Trash.dbf"}, {defaults_.get(), "defaults.dbf"}};
  for (const auto& [table, name] : tables) {
    const QString path = fileIn(folder_, name);
    try {
      xb::ClearErrorCode();
      table->SetDbfFileName(path.toStdString());
      table->Open();
      table->SetIndexTo("");
      if (table == defaults_.get()) table->GoTop();
      if (run_status_.packTables && !table->Pack()) throw std::runtime_error("pack");
      if (table == defaults_.get() && table->RecordCount() < 10 && !AddMissingTemplates(*table))
        throw std::runtime_error("templates");
      if (xb::ErrorCode() != 0) throw std::runtime_error("engine");
    } catch (const std::exception& e) {
      noteEngineError(QStringLiteral("Unable to open ") + path);
      if (failedPaths) failedPaths->append(path);
      ok = false;
    }
  }
  return ok;
}

bool XbNoteStore::moveToNote(int recNo) {
  if (recNo <= 0 || !notes_->Active()) return false;
  const std::string previous = notes_->CurrentTag();
  bool found = false;
  try {
    notes_->SetOrderToTag("HANDLE");
    notes_->Go(recNo);
    found = xb::ErrorCode() == 0 && notes_->RecNo() == recNo && !notes_->Deleted();
  } catch (const std::exception&) {
    found = false;
  }
  notes_->SetOrderToTag(previous);
  return found;
}

StoreResult XbNoteStore::resultOf(int outcome) {
  switch (static_cast<WriteOutcome>(outcome)) {
    case WriteOutcome::Written: return StoreResult::Done;
    case WriteOutcome::LockRefused:
      last_error_ = QStringLiteral("The note is locked by another program.");
      return StoreResult::Locked;
    case WriteOutcome::Failed:
    default:
      noteEngineError(QStringLiteral("The note could not be written"));
      return StoreResult::Failed;
  }
}

QList<NoteRecord> XbNoteStore::showingNotes() {
  QList<NoteRecord> found;
  Guard guard(busy_);
  if (!guard.entered() || !notes_->Active()) return found;
  try {
    notes_->SetOrderToTag("SHOWING");
    if (notes_->Find("Y")) {
      while (!notes_->IsEOF() && notes_->GetField("SHOWING") == "Y") {
        if (!notes_->Deleted()) found.append(ReadNoteRecord(*notes_));
        notes_->Skip(1);
      }
    }
  } catch (const std::exception&) {
    noteEngineError(QStringLiteral("The notes could not be read"));
  }
  return found;
}

std::optional<NoteRecord> XbNoteStore::readNote(int recNo) {
  Guard guard(busy_);
  if (!guard.entered() || !moveToNote(recNo)) return std::nullopt;
  return ReadNoteRecord(*notes_);
}

StoreResult XbNoteStore::setHandle(int recNo, int handle) {
  Guard guard(busy_);
  if (!guard.entered()) {
    last_error_ = Guard::busyText();
    return StoreResult::Busy;
  }
  if (!moveToNote(recNo)) return StoreResult::NoRecord;
  try {
    notes_->PutFieldInt("HANDLE", handle);
    return resultOf(static_cast<int>(RewriteWithLock(*notes_)));
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be written: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

NoteRecord XbNoteStore::newNoteFromTemplate(int number, int handle, QSize screen, StoreResult* result) {
  NoteRecord note;
  Guard guard(busy_);
  auto finish = [&](StoreResult r) {
    if (result) *result = r;
    return note;
  };
  if (!guard.entered()) return finish(StoreResult::Busy);
  if (!isOpen()) return finish(StoreResult::Failed);
  try {
    if (number < 1 || number > defaults_->RecordCount()) number = 1;
    defaults_->Go(number);
    if (xb::ErrorCode() != 0) {
      noteEngineError(QStringLiteral("The template could not be read"));
      return finish(StoreResult::Failed);
    }
    note = ReadNoteRecord(*defaults_);
    const QDate today = clock_.now().date();
    const QPoint at = TemplatePosition(note.geometry.left(), note.geometry.size(), screen);
    note.geometry.moveTopLeft(at);
    note.recNo = 0;
    note.handle = handle;
    note.showing = true;
    note.collapsed = false;
    note.board = QString::number(number);
    note.created = QString::fromStdString(DateToTableText(today));

    CopyNoteRecord(*defaults_, *notes_);
    notes_->PutFieldInt("HANDLE", handle);
    notes_->PutFieldStr("DATECREATE", DateToTableText(today));
    notes_->PutFieldInt("LEFT", at.x());
    notes_->PutFieldInt("TOP", at.y());
    notes_->PutField("SHOWING", "Y");
    notes_->PutField("NOTEBOARD", std::to_string(number));
    const StoreResult r = resultOf(static_cast<int>(AppendWithLock(*notes_)));
    if (r == StoreResult::Done) note.recNo = notes_->RecNo();
    return finish(r);
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be made: ") + QString::fromStdString(e.what());
    return finish(StoreResult::Failed);
  }
}

StoreResult XbNoteStore::updateNote(const NoteRecord& note, Showing showing) {
  Guard guard(busy_);
  if (!guard.entered()) {
    last_error_ = Guard::busyText();
    return StoreResult::Busy;
  }
  if (!moveToNote(note.recNo)) return StoreResult::NoRecord;
  try {
    PutNoteFields(*notes_, note, showing);
    return resultOf(static_cast<int>(RewriteWithLock(*notes_)));
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be written: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

StoreResult XbNoteStore::trashNote(const NoteRecord& note) {
  Guard guard(busy_);
  if (!guard.entered()) {
    last_error_ = Guard::busyText();
    return StoreResult::Busy;
  }
  if (!moveToNote(note.recNo)) return StoreResult::NoRecord;
  try {
    return resultOf(static_cast<int>(MoveToTrash(*notes_, *trash_)));
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be written: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

QList<TemplateEntry> XbNoteStore::templates() {
  QList<TemplateEntry> list;
  Guard guard(busy_);
  if (!guard.entered() || !defaults_->Active()) return list;
  try {
    defaults_->GoTop();
    for (int n = 1; !defaults_->IsEOF(); ++n) {
      TemplateEntry entry;
      entry.number = n;
      entry.name = Text(defaults_->GetField("DESC"));
      entry.inUse = !IsTemplateUnused(entry.name, n);
      list.append(entry);
      defaults_->Skip(1);
    }
  } catch (const std::exception&) {
  }
  return list;
}

void XbNoteStore::recordCleanStop() { RecordCleanStop(folder_); }

void XbNoteStore::closeNotesAndTemplates() {
  for (auto* t : {notes_.get(), defaults_.get()}) {
    try {
      if (t->Active()) t->Close();
    } catch (const std::exception&) {
    }
  }
}

void XbNoteStore::backupNotes(const Progress& progress) {
  const QString caption = QStringLiteral("Back Up");
  const QString step = QStringLiteral("Backing up notes file");
  if (!QDir(folder_).mkpath(fileIn(folder_, "Backup"))) return;
  const char* names[] = {"Notes.dbf", "Notes.dbt", "Notes.mdx"};
  int done = 0;
  if (progress) progress(caption, step, done, 6);
  for (const char* name : names) {
    const QString target = fileIn(folder_, QStringLiteral("Backup/") + name);
    if (QFile::exists(target) && !QFile::remove(target)) return;
    if (progress) progress(caption, step, ++done, 6);
  }
  for (const char* name : names) {
    const QString source = fileIn(folder_, name);
    if (QFile::exists(source)) CopyDataFile(source, fileIn(folder_, QStringLiteral("Backup/") + name));
    if (progress) progress(caption, step, ++done, 6);
  }
}

void XbNoteStore::compactTrash(const Progress& progress) {
  Guard guard(busy_);
  if (!guard.entered() || !trash_->Active()) return;
  try {
    trash_->GoTop();
    if (trash_->IsEOF()) return;
    const int total = trash_->RecordCount();
    int done = 0;
    const QString caption = QStringLiteral("Compacting");
    const QString step = QStringLiteral("Compacting Trash Bin");
    if (progress) progress(caption, step, done, total);
    while (!trash_->IsEOF()) {
      // A record another program keeps locked stays; the pack below skips
      // it as it skips any record not marked deleted.
      if (DeleteWithLock(*trash_) != WriteOutcome::Written) break;
      if (progress) progress(caption, step, ++done, total);
      trash_->GoTop();
    }
    trash_->Pack();
  } catch (const std::exception&) {
  }
}

void XbNoteStore::closeTrash() {
  try {
    if (trash_->Active()) trash_->Close();
  } catch (const std::exception&) {
  }
}

}  // namespace qp
