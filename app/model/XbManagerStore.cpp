#include "app/model/XbManagerStore.h"

#include "app/model/NoteFuncs.h"
#include "app/model/ProgramFolder.h"
#include "app/model/WriteProtocol.h"
#include "app/model/XbNoteStore.h"
#include "app/model/notes_fields.h"
#include "components/XbGridModel.h"
#include "engine/dataset/field.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"

namespace qp {

namespace {

TXbGridColumn Column(const char* field, const char* title, int width, bool flag = false) {
  TXbGridColumn c;
  c.fieldName = QString::fromLatin1(field);
  c.title = QString::fromLatin1(title);
  c.width = width;
  if (flag) c.displayValues = QStringLiteral("Y;N");
  return c;
}

// Notes made with a double click have no caption until the user gives one.
TXbGridColumn CaptionColumn(int width) {
  TXbGridColumn c = Column("DESC", "Note Caption", width);
  c.blankText = QStringLiteral("(no caption)");
  return c;
}

QList<TXbGridColumn> NotesColumns() {
  return {CaptionColumn(205),     Column("SHOWING", "Showing", 61, true),
          Column("DATECREATE", "Created", 63),      Column("ALARMACT", "Reminder", 49, true),
          Column("ALARMACT", "Alarm", 32, true),    Column("EXPIRES", "Expires", 40, true),
          Column("EXPIREDATE", "Expire Date", -1)};
}

QList<TXbGridColumn> TrashColumns() { return {CaptionColumn(328), Column("DATECREATE", "Created", 85)}; }

// The engine raises where it cannot go on; the manager reports, never stops.
template <typename F>
bool Guarded(F&& step, QString& error) {
  try {
    xb::ClearErrorCode();
    step();
    return xb::ErrorCode() == 0;
  } catch (const std::exception& e) {
    error = QString::fromStdString(e.what());
    return false;
  }
}

}  // namespace

XbManagerStore::XbManagerStore(QString programFolder) : folder_(std::move(programFolder)) {
  if (!folder_.endsWith('/')) folder_ += '/';
  xb::DatasetLayerInit();
  xb::SetReportErrors(false);
  notes_ = std::make_unique<xb::TXbDbf>("XbNotesMaint");
  trash_ = std::make_unique<xb::TXbDbf>("XbTrashMaint");
  for (xb::TXbDbf* t : {notes_.get(), trash_.get()}) {
    xb::ConfigureNotesTable(*t);
    xb::DeclareNotesFields(*t);
  }
  notes_model_ = std::make_unique<TXbGridModel>(*notes_);
  notes_model_->setColumns(NotesColumns());
  notes_model_->setReadOnly(true);
  trash_model_ = std::make_unique<TXbGridModel>(*trash_);
  trash_model_->setColumns(TrashColumns());
  trash_model_->setReadOnly(true);
}

XbManagerStore::~XbManagerStore() {
  notes_model_.reset();
  trash_model_.reset();
  for (xb::TXbDbf* t : {notes_.get(), trash_.get()}) {
    try {
      if (t->Active()) t->Close();
    } catch (const std::exception&) {
    }
  }
}

TXbColumnModel* XbManagerStore::notesModel() { return notes_model_.get(); }
TXbColumnModel* XbManagerStore::trashModel() { return trash_model_.get(); }

bool XbManagerStore::open() {
  const struct {
    xb::TXbDbf* table;
    const char* name;
  } tables[] = {{notes_.get(), "notes.dbf"}, {trash_.get(), "Trash.dbf"}};
  for (const auto& [table, name] : tables) {
    const QString path = fileIn(folder_, name);
    QString error;
    const bool opened = Guarded(
        [&] {
          table->SetDbfFileName(path.toStdString());
          table->Open();
          table->SetIndexTo("");
          table->GoTop();
        },
        error);
    if (!opened) {
      last_error_ = QStringLiteral("Unable to open ") + path;
      if (xb::ErrorCode() != 0) last_error_ += QStringLiteral(": ") + QString::fromStdString(xb::ErrorText());
      else if (!error.isEmpty()) last_error_ += QStringLiteral(": ") + error;
      return false;
    }
  }
  return true;
}

QString XbManagerStore::templateFilter(int templateNumber) {
  // Compared whole: NOTEBOARD = "1" would also take the notes of template
  // 10, as "=" compares only as far as the shorter text.
  return QStringLiteral("trim(NOTEBOARD) == \"%1\"").arg(templateNumber);
}

QString XbManagerStore::pageKey() const { return QStringLiteral("%1/%2").arg(int(page_)).arg(template_); }

void XbManagerStore::showPage(ManagerPage page, int templateNumber) {
  page_ = page;
  template_ = templateNumber;
  if (page == ManagerPage::Trash) {
    trash_model_->refresh();
    applySearch();
    return;
  }
  QString error;
  Guarded(
      [&] {
        notes_->SetFilterTo("");
        switch (page) {
          case ManagerPage::AllNotes: notes_->SetOrderTo(0); break;
          case ManagerPage::ActiveReminders:
            notes_->SetOrderToTag("ALARMACT");
            notes_->SetFilterTo("ALARMACT == \"Y\"");
            break;
          case ManagerPage::Template:
            notes_->SetOrderToTag("BOARD");
            notes_->SetFilterTo(templateFilter(templateNumber).toStdString());
            break;
          case ManagerPage::Trash: break;
        }
        notes_->GoTop();
      },
      error);
  notes_model_->refresh();
  applySearch();
}

void XbManagerStore::refresh() {
  QString error;
  Guarded([&] { trash_->Refresh(); }, error);
  Guarded([&] { notes_->Refresh(); }, error);
  notes_model_->refresh();
  trash_model_->refresh();
  applySearch();
}

void XbManagerStore::setSearch(const QString& query) {
  search_ = query.trimmed();
  applySearch();
}

void XbManagerStore::applySearch() {
  TXbGridModel* model = page_ == ManagerPage::Trash ? trash_model_.get() : notes_model_.get();
  TXbGridModel* other = model == notes_model_.get() ? trash_model_.get() : notes_model_.get();
  if (other->hasRecordList()) other->setRecordList(std::nullopt);
  if (search_.isEmpty()) {
    if (model->hasRecordList()) model->setRecordList(std::nullopt);
    return;
  }
  xb::TXbDbf& table = page_ == ManagerPage::Trash ? *trash_ : *notes_;
  NoteTextIndex& index = page_ == ManagerPage::Trash ? trash_text_ : notes_text_;
  std::vector<int> found;
  QString error;
  Guarded([&] { found = index.matching(table, pageKey(), writes_, search_); }, error);
  model->setRecordList(std::move(found));
}

bool XbManagerStore::prepareSearch(int budget) {
  const bool trash = page_ == ManagerPage::Trash;
  bool done = true;
  QString error;
  // A table that cannot be read is not prepared; the search reports nothing.
  const bool read = Guarded(
      [&] { done = (trash ? trash_text_ : notes_text_).prepare(trash ? *trash_ : *notes_, pageKey(), writes_, budget); },
      error);
  if (!read) {
    last_error_ = QStringLiteral("The notes could not be read for the search");
    if (!error.isEmpty()) last_error_ += QStringLiteral(": ") + error;
  }
  return done || !read;
}

bool XbManagerStore::moveTo(xb::TXbDbf& table, int recNo) {
  if (recNo <= 0 || !table.Active()) return false;
  QString error;
  bool found = false;
  Guarded(
      [&] {
        table.Go(recNo);
        found = table.RecNo() == recNo && !table.Deleted();
      },
      error);
  return found && xb::ErrorCode() == 0;
}

StoreResult XbManagerStore::resultOf(int outcome, const QString& what) {
  switch (static_cast<WriteOutcome>(outcome)) {
    case WriteOutcome::Written: ++writes_; return StoreResult::Done;
    case WriteOutcome::LockRefused:
      last_error_ = QStringLiteral("The note is locked by another program.");
      return StoreResult::Locked;
    case WriteOutcome::Failed:
    default:
      last_error_ = what;
      if (xb::ErrorCode() != 0) last_error_ += QStringLiteral(": ") + QString::fromStdString(xb::ErrorText());
      return StoreResult::Failed;
  }
}

std::optional<NoteRecord> XbManagerStore::note(int recNo) {
  if (!moveTo(*notes_, recNo)) return std::nullopt;
  return ReadNoteRecord(*notes_);
}

std::optional<NoteRecord> XbManagerStore::trashedNote(int recNo) {
  if (!moveTo(*trash_, recNo)) return std::nullopt;
  return ReadNoteRecord(*trash_);
}

StoreResult XbManagerStore::setShowing(int recNo, bool showing) {
  if (!moveTo(*notes_, recNo)) return StoreResult::NoRecord;
  try {
    notes_->PutField("SHOWING", showing ? "Y" : "N");
    return resultOf(int(RewriteWithLock(*notes_)), QStringLiteral("The note could not be written"));
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be written: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

void XbManagerStore::leaveEnd(xb::TXbDbf& table) {
  // A dataset left past its last record by a walk refuses the next append
  // with "at end" (1403): the table that receives a record starts from its
  // first one.
  QString error;
  if (table.IsEOF()) Guarded([&] { table.GoTop(); }, error);
}

StoreResult XbManagerStore::sendToTrash(int recNo) {
  leaveEnd(*trash_);
  if (!moveTo(*notes_, recNo)) return StoreResult::NoRecord;
  try {
    return resultOf(int(MoveToTrash(*notes_, *trash_)), QStringLiteral("The note could not be moved to the trash"));
  } catch (const std::exception& e) {
    DropPendingEdit(*trash_);
    last_error_ = QStringLiteral("The note could not be moved to the trash: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

StoreResult XbManagerStore::restore(int trashRecNo) {
  leaveEnd(*notes_);
  if (!moveTo(*trash_, trashRecNo)) return StoreResult::NoRecord;
  try {
    CopyNoteRecord(*trash_, *notes_);
    // Back hidden: its window is long gone, and "Show Note on Desktop"
    // brings it back where the user wants it.
    notes_->PutField("SHOWING", "N");
    const StoreResult appended =
        resultOf(int(AppendWithLock(*notes_)), QStringLiteral("The note could not be restored"));
    if (appended != StoreResult::Done) return appended;
    if (!moveTo(*trash_, trashRecNo)) return StoreResult::Done;
    // The note is back among the notes; a trash record that cannot be
    // deleted now leaves a copy in the trash rather than losing the note.
    return resultOf(int(DeleteWithLock(*trash_)), QStringLiteral("The trashed copy could not be deleted"));
  } catch (const std::exception& e) {
    DropPendingEdit(*notes_);
    last_error_ = QStringLiteral("The note could not be restored: ") + QString::fromStdString(e.what());
    return StoreResult::Failed;
  }
}

EmptyTrashResult XbManagerStore::emptyTrash(const std::function<void()>& between) {
  EmptyTrashResult result;
  // The records are listed first and then deleted one by one: a record
  // whose lock another program holds is passed over, not retried.
  std::vector<int> recNos;
  QString error;
  if (!Guarded(
          [&] {
            trash_->SetFilterTo("");
            trash_->GoTop();
            while (!trash_->IsEOF()) {
              recNos.push_back(trash_->RecNo());
              trash_->Skip(1);
            }
          },
          error)) {
    result.failed = true;
    last_error_ = QStringLiteral("The trash could not be read");
    return result;
  }
  for (int recNo : recNos) {
    if (moveTo(*trash_, recNo)) {
      switch (DeleteWithLock(*trash_)) {
        case WriteOutcome::Written: ++result.deleted; ++writes_; break;
        case WriteOutcome::LockRefused: ++result.locked; break;
        case WriteOutcome::Failed:
          result.failed = true;
          resultOf(int(WriteOutcome::Failed), QStringLiteral("A trashed note could not be deleted"));
          break;
      }
    }
    if (between) between();
  }
  trash_model_->refresh();
  applySearch();
  return result;
}

QList<ExportNote> XbManagerStore::notesForExport(const QList<int>& recNos) {
  QList<ExportNote> out;
  auto add = [&] {
    const NoteRecord r = ReadNoteRecord(*notes_);
    out.append({r.caption, r.rtf});
  };
  QString error;
  if (!recNos.isEmpty()) {
    for (int recNo : recNos)
      if (moveTo(*notes_, recNo)) add();
    return out;
  }
  Guarded(
      [&] {
        // Every note, in record order, whatever page the manager shows.
        const std::string tag = notes_->CurrentTag();
        const std::string filter = notes_->Filter();
        notes_->SetFilterTo("");
        notes_->SetOrderTo(0);
        for (notes_->GoTop(); !notes_->IsEOF(); notes_->Skip(1)) add();
        if (!tag.empty()) notes_->SetOrderToTag(tag);
        if (!filter.empty()) notes_->SetFilterTo(filter);
      },
      error);
  return out;
}

}  // namespace qp
