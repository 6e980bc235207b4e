#pragma once
// The manager's tables: XbNotesMaint over notes.dbf and XbTrashMaint over
// Trash.dbf, opened shared beside the controller's own components, each
// shown through a TXbGridModel with the manager's columns. Writes take
// the same locks as every other write of the program (WriteProtocol.h).
#include <QString>
#include <memory>

#include "app/model/NoteTextIndex.h"
#include "app/model/NotesManagerStore.h"

class TXbGridModel;
namespace xb {
class TXbDbf;
}

namespace qp {

class XbManagerStore : public NotesManagerStore {
 public:
  explicit XbManagerStore(QString programFolder);
  ~XbManagerStore() override;

  bool open() override;
  QString lastError() const override { return last_error_; }
  TXbColumnModel* notesModel() override;
  TXbColumnModel* trashModel() override;
  void showPage(ManagerPage page, int templateNumber = 0) override;
  void refresh() override;
  void setSearch(const QString& query) override;
  QString search() const override { return search_; }
  bool prepareSearch(int budget) override;
  std::optional<NoteRecord> note(int recNo) override;
  std::optional<NoteRecord> trashedNote(int recNo) override;
  StoreResult setShowing(int recNo, bool showing) override;
  StoreResult sendToTrash(int recNo) override;
  StoreResult restore(int trashRecNo) override;
  EmptyTrashResult emptyTrash(const std::function<void()>& between) override;
  QList<ExportNote> notesForExport(const QList<int>& recNos) override;

  xb::TXbDbf& notes() { return *notes_; }
  xb::TXbDbf& trash() { return *trash_; }
  // The filter expression of a template page.
  static QString templateFilter(int templateNumber);

 private:
  // Puts `table` on the record; false when it is gone or deleted.
  bool moveTo(xb::TXbDbf& table, int recNo);
  void leaveEnd(xb::TXbDbf& table);
  StoreResult resultOf(int outcome, const QString& what);
  void applySearch();
  QString pageKey() const;

  QString folder_;
  std::unique_ptr<xb::TXbDbf> notes_;
  std::unique_ptr<xb::TXbDbf> trash_;
  std::unique_ptr<TXbGridModel> notes_model_;
  std::unique_ptr<TXbGridModel> trash_model_;
  NoteTextIndex notes_text_;
  NoteTextIndex trash_text_;
  ManagerPage page_ = ManagerPage::AllNotes;
  int template_ = 0;
  QString search_;
  quint64 writes_ = 0;
  QString last_error_;
};

}  // namespace qp
