// The controller's side of the Notes & Reminders manager: opening it, and
// the note windows it asks for (TFrmNotesMain as ManagerHost).
#include <QCoreApplication>

#include "app/model/NotesManagerStore.h"
#include "app/model/ProgramFolder.h"
#include "app/model/status.h"
#include "app/model/NoteStore.h"
#include "app/ui/NoteMn.h"
#include "app/ui/NoteProps.h"
#include "app/ui/Seams.h"

namespace qp {

void TFrmNotesMain::openManager() {
  if (shut_down_) return;
  if (manager_) {
    manager_->raise();
    manager_->activateWindow();
    return;
  }
  if (!started_) {
    // Asked for while the program starts (quillpad --manager): it opens
    // once the notes are up.
    connect(this, &TFrmNotesMain::ready, this, &TFrmNotesMain::openManager, Qt::SingleShotConnection);
    return;
  }
  if (!services_.managerStore) return;
  std::unique_ptr<NotesManagerStore> tables = services_.managerStore();
  if (!tables->open()) {
    if (services_.ask) services_.ask->warning(nullptr, "Notes & Reminders", tables->lastError());
    return;
  }
  TFrmMaintainNotes form(*tables, *this, ConfigFileIn(store_.programFolder()));
  manager_ = &form;
  form.exec();
  manager_ = nullptr;
}

TFrmNote* TFrmNotesMain::windowOfNote(int recNo) const {
  for (TFrmNote* note : noteWindows())
    if (note->tag() == recNo) return note;
  return nullptr;
}

void TFrmNotesMain::showNoteWindow(int recNo) {
  if (shut_down_ || windowOfNote(recNo)) return;
  std::optional<NoteRecord> record = store_.readNote(recNo);
  if (!record) return;
  TFrmNote* note = createNoteWindow();
  store_.setHandle(recNo, note->id());
  record->handle = note->id();
  note->showRecord(*record);
}

bool TFrmNotesMain::hideNoteWindow(int recNo) {
  TFrmNote* note = windowOfNote(recNo);
  if (!note) return false;
  note->hideNote();
  return true;
}

void TFrmNotesMain::editNoteProperties(int recNo) {
  TFrmNote* note = windowOfNote(recNo);
  const bool hidden = note == nullptr;
  // A hidden note gets a window for the time of the dialog.
  if (hidden) {
    showNoteWindow(recNo);
    note = windowOfNote(recNo);
  }
  if (!note) return;
  runNoteProperties(note);
  QCoreApplication::processEvents();
  if (hidden) {
    if (TFrmNote* still = windowOfNote(recNo)) still->hideNote();
  }
}

void TFrmNotesMain::runNoteProperties(TFrmNote* note) {
  note->editProperties(TFrmNoteProps::Page::Settings);
}

}  // namespace qp
