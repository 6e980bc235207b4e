#include "app/ui/NotesAlarms.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/model/NotesManagerStore.h"
#include "app/model/SearchText.h"
#include "components/FormPlace.h"
#include "components/IniFile.h"
#include "components/axbgrids.h"
#include "richtext/RichEdit.h"
#include "richtext/RtfReader.h"

namespace qp {

namespace {

constexpr int kTrashPage = 2;
constexpr int kFirstTemplatePage = 3;
constexpr int kPreviewHeight = 104;
// Notes read for the search per turn of the event loop: a few milliseconds.
constexpr int kPrepareBudget = 50;

QAction* AddItem(QMenu* menu, const QString& text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

TXbGrid* MakeGrid(QWidget* parent, const char* name, TXbColumnModel* model) {
  auto* grid = new TXbGrid(parent);
  grid->setObjectName(name);
  grid->setModel(model);
  // The manager's grids browse; changes go through the menus.
  grid->setReadOnly(true);
  grid->setAutoAppend(false);
  grid->setBooleanBox(TXbBooleanBox::bbCheckBox);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  grid->horizontalHeader()->setStretchLastSection(true);
  return grid;
}

RichEdit* MakePreview(QWidget* parent, const char* name) {
  auto* preview = new RichEdit(parent);
  preview->setObjectName(name);
  preview->setReadOnly(true);
  preview->setEditorDialogEnabled(false);
  preview->setMinimumHeight(40);
  return preview;
}

QSplitter* MakeSplit(QWidget* parent, const char* name, QWidget* grid, QWidget* preview) {
  auto* split = new QSplitter(Qt::Vertical, parent);
  split->setObjectName(name);
  split->setHandleWidth(5);
  split->setChildrenCollapsible(false);
  split->addWidget(grid);
  split->addWidget(preview);
  split->setStretchFactor(0, 1);
  split->setSizes({200, kPreviewHeight});
  return split;
}

QString CountOf(int n, const char* one, const char* many) {
  return n == 1 ? QStringLiteral("1 ") + one : QStringLiteral("%1 ").arg(n) + many;
}

}  // namespace

TFrmMaintainNotes::TFrmMaintainNotes(NotesManagerStore& store, ManagerHost& host, const QString& configFile,
                                     QWidget* parent)
    : QDialog(parent), store_(store), host_(host) {
  ask = [](QWidget* parent, const QString& text) {
    const auto b = QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
  };
  tell = [](QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Notes & Reminders"), text);
  };
  chooseExport = [](QWidget* parent) {
    ExportChoice choice;
    const QStringList formats = {QStringLiteral("HTML"), QStringLiteral("RTF"), QStringLiteral("Plain text")};
    bool ok = false;
    const QString format = QInputDialog::getItem(parent, QStringLiteral("Export Notes"),
                                                 QStringLiteral("Save each note as:"), formats, 0, false, &ok);
    if (!ok) return choice;
    choice.format = format == formats[1] ? ExportFormat::Rtf : format == formats[2] ? ExportFormat::Text : ExportFormat::Html;
    choice.folder = QFileDialog::getExistingDirectory(parent, QStringLiteral("Export Notes to Folder"));
    return choice;
  };
  place_ = new TFormPlace(this);
  place_->setIniFileName(configFile);
  place_->setEntry(QStringLiteral("FrmMaintainNotes"));
  formCreate();
}

TFrmMaintainNotes::~TFrmMaintainNotes() { place_->SavePlacement(); }

void TFrmMaintainNotes::formCreate() {
  setObjectName("FrmMaintainNotes");
  setWindowTitle(QStringLiteral("Notes & Reminders"));
  resize(451, 353);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* bar = new QHBoxLayout;
  search_ = new QLineEdit(this);
  search_->setObjectName("EdSearch");
  search_->setPlaceholderText(QStringLiteral("Search captions and text"));
  search_->setClearButtonEnabled(true);
  bar->addWidget(search_, 1);
  auto* exportButton = new QToolButton(this);
  exportButton->setObjectName("BtnExport");
  exportButton->setText(QStringLiteral("Export"));
  exportButton->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(exportButton);
  layout->addLayout(bar);

  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl1");
  pages_->setMinimumSize(227, 210);
  pages_->setUsesScrollButtons(true);
  layout->addWidget(pages_, 1);
  auto addPage = [this](const QString& caption, const QString& name) {
    auto* page = new QWidget(pages_);
    page->setObjectName(name);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(2, 2, 2, 2);
    pages_->addTab(page, caption);
    return page;
  };
  addPage(QStringLiteral("All Notes"), "TabSheet1");
  addPage(QStringLiteral("Active Reminders"), "TabSheet2");
  QWidget* trashPage = addPage(QStringLiteral("Trash Bin"), "TabSheet3");
  int k = 0;
  for (const TemplateEntry& entry : host_.templateEntries()) {
    if (!entry.inUse || k == 10) continue;
    ++k;
    QWidget* page = addPage(entry.name, QStringLiteral("TabSheet%1").arg(3 + k));
    page->setProperty("templateNumber", entry.number);
  }

  grid_ = MakeGrid(this, "XbGrid1", store_.notesModel());
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  preview_ = MakePreview(this, "RichEditNotes");
  notes_split_ = MakeSplit(this, "Splitter1", grid_, preview_);
  trash_grid_ = MakeGrid(trashPage, "XbGridTrash", store_.trashModel());
  trash_grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  trash_preview_ = MakePreview(trashPage, "RichEditTrash");
  trashPage->layout()->addWidget(MakeSplit(trashPage, "Splitter2", trash_grid_, trash_preview_));

  notes_menu_ = new QMenu(this);
  notes_menu_->setObjectName("PupMenuNotes");
  QAction* edit = AddItem(notes_menu_, QStringLiteral("Edit Note Properties..."), "EditNoteProperties1");
  notes_menu_->addSeparator();
  show_on_desktop_ = AddItem(notes_menu_, QStringLiteral("Show Note on Desktop"), "ShowNoteonDesktop1");
  show_on_desktop_->setCheckable(true);
  QAction* toTrash = AddItem(notes_menu_, QStringLiteral("Send Note to Trash"), "SendNotetoTrash1");
  notes_menu_->addSeparator();
  QAction* exportSelected = AddItem(notes_menu_, QStringLiteral("Export Selected Notes..."), "ExportSelected1");
  QAction* exportAll = AddItem(notes_menu_, QStringLiteral("Export All Notes..."), "ExportAll1");
  trash_menu_ = new QMenu(this);
  trash_menu_->setObjectName("PupMenuTrash");
  QAction* empty = AddItem(trash_menu_, QStringLiteral("Empty Trash Bin"), "EmptyTrashBin1");
  trash_menu_->addSeparator();
  QAction* restore = AddItem(trash_menu_, QStringLiteral("Restore Note"), "RestoreNote1");
  auto* exportMenu = new QMenu(exportButton);
  exportMenu->addAction(exportSelected);
  exportMenu->addAction(exportAll);
  exportButton->setMenu(exportMenu);

  connect(edit, &QAction::triggered, this, &TFrmMaintainNotes::editNoteProperties);
  connect(show_on_desktop_, &QAction::triggered, this, &TFrmMaintainNotes::showNoteOnDesktop);
  connect(toTrash, &QAction::triggered, this, &TFrmMaintainNotes::sendNoteToTrash);
  connect(exportSelected, &QAction::triggered, this, [this] { exportNotes(true); });
  connect(exportAll, &QAction::triggered, this, [this] { exportNotes(false); });
  connect(empty, &QAction::triggered, this, &TFrmMaintainNotes::emptyTrashBin);
  connect(restore, &QAction::triggered, this, &TFrmMaintainNotes::restoreNote);
  connect(notes_menu_, &QMenu::aboutToShow, this, &TFrmMaintainNotes::pupMenuNotesPopup);
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { notes_menu_->popup(grid_->viewport()->mapToGlobal(at)); });
  connect(trash_grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { trash_menu_->popup(trash_grid_->viewport()->mapToGlobal(at)); });
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this] {
    if (grid_->model()->rowCount() > 0) editNoteProperties();
  });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { updatePreview(grid_, preview_, false); });
  connect(trash_grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { updatePreview(trash_grid_, trash_preview_, true); });
  connect(search_, &QLineEdit::textChanged, this, &TFrmMaintainNotes::searchChanged);
  connect(pages_, &QTabWidget::currentChanged, this, &TFrmMaintainNotes::pageControl1Change);

  // The keyboard reaches everything: Ctrl+F the search, Down or Enter from
  // the search the results, Ctrl+PgDn and Ctrl+PgUp the pages.
  auto addShortcut = [this](const QKeySequence& keys, auto slot) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
  };
  auto turn = [this](int by) {
    pages_->setCurrentIndex((pages_->currentIndex() + by + pages_->count()) % pages_->count());
  };
  addShortcut(QKeySequence::Find, [this] {
    search_->setFocus();
    search_->selectAll();
  });
  addShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [turn] { turn(1); });
  addShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [turn] { turn(-1); });
  search_->installEventFilter(this);

  // While the user looks, the search reads the notes' text a little at a
  // time, so the first word typed is answered at once.
  prepare_timer_ = new QTimer(this);
  prepare_timer_->setInterval(0);
  connect(prepare_timer_, &QTimer::timeout, this, [this] {
    if (store_.prepareSearch(kPrepareBudget)) prepare_timer_->stop();
  });

  pages_->setCurrentIndex(0);
  pageControl1Change();
}

bool TFrmMaintainNotes::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) {
      (currentPage() == ManagerPage::Trash ? trash_grid_ : grid_)->setFocus();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

ManagerPage TFrmMaintainNotes::currentPage(int* templateNumber) const {
  const int index = pages_->currentIndex();
  if (templateNumber) *templateNumber = 0;
  if (index == 0) return ManagerPage::AllNotes;
  if (index == 1) return ManagerPage::ActiveReminders;
  if (index == kTrashPage) return ManagerPage::Trash;
  if (templateNumber) *templateNumber = pages_->widget(index)->property("templateNumber").toInt();
  return ManagerPage::Template;
}

void TFrmMaintainNotes::pageControl1Change() {
  int number = 0;
  const ManagerPage page = currentPage(&number);
  store_.showPage(page, number);
  if (prepare_timer_) prepare_timer_->start();
  // A page turned from the keyboard takes the keyboard to its grid.
  const bool focusGrid = !search_->hasFocus();
  if (page == ManagerPage::Trash) {
    select(trash_grid_, 0);
    if (focusGrid) trash_grid_->setFocus();
    return;
  }
  // One notes grid and preview serve every notes page: they move to the
  // page being shown.
  QWidget* target = pages_->currentWidget();
  if (notes_split_->parentWidget() != target) target->layout()->addWidget(notes_split_);
  notes_split_->show();
  select(grid_, 0);
  if (focusGrid) grid_->setFocus();
}

void TFrmMaintainNotes::select(TXbGrid* grid, int recNo) {
  QAbstractItemModel* model = grid->model();
  int row = -1;
  if (recNo > 0) {
    // The row is looked for among the rows found so far, and further only
    // as far as the model needs to fetch; a vanished note selects none.
    for (int r = 0;; ++r) {
      if (r >= model->rowCount()) {
        if (!model->canFetchMore({})) break;
        model->fetchMore({});
        if (r >= model->rowCount()) break;
      }
      if (model->index(r, 0).data(TXbColumnModel::RecNoRole).toInt() == recNo) {
        row = r;
        break;
      }
    }
  }
  if (row < 0 && model->rowCount() > 0 && recNo <= 0) row = 0;
  if (row >= 0) {
    grid->setCurrentIndex(model->index(row, 0));
    grid->selectRow(row);
  }
  updatePreview(grid, grid == grid_ ? preview_ : trash_preview_, grid == trash_grid_);
}

int TFrmMaintainNotes::selectedNote() const {
  const QModelIndex current = grid_->currentIndex();
  return current.isValid() ? current.data(TXbColumnModel::RecNoRole).toInt() : 0;
}

int TFrmMaintainNotes::selectedTrashNote() const {
  const QModelIndex current = trash_grid_->currentIndex();
  return current.isValid() ? current.data(TXbColumnModel::RecNoRole).toInt() : 0;
}

QList<int> TFrmMaintainNotes::selectedNotes() const {
  QList<int> recNos;
  for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
    recNos.append(index.data(TXbColumnModel::RecNoRole).toInt());
  std::sort(recNos.begin(), recNos.end());
  return recNos;
}

void TFrmMaintainNotes::updatePreview(TXbGrid* grid, RichEdit* preview, bool trash) {
  const QModelIndex current = grid->currentIndex();
  const int recNo = current.isValid() ? current.data(TXbColumnModel::RecNoRole).toInt() : 0;
  const std::optional<NoteRecord> note = recNo <= 0 ? std::nullopt : trash ? store_.trashedNote(recNo) : store_.note(recNo);
  if (!note) {
    preview->clear();
    return;
  }
  if (RtfReader::looksLikeRtf(note->rtf))
    preview->setRtf(note->rtf);
  else
    preview->setPlainText(IniFile::decodeWindows1252(note->rtf));
  highlight(preview);
}

void TFrmMaintainNotes::highlight(RichEdit* preview) {
  QList<QTextEdit::ExtraSelection> marks;
  QTextCharFormat format;
  format.setBackground(QColor(255, 230, 0));
  format.setForeground(Qt::black);
  for (const TextSpan& span : FindWords(preview->document()->toPlainText(), store_.search())) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(preview->document());
    mark.cursor.setPosition(span.start);
    mark.cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
    mark.format = format;
    marks.append(mark);
  }
  preview->setExtraSelections(marks);
  if (!marks.isEmpty()) {
    // The first match is scrolled into view.
    QTextCursor first(preview->document());
    first.setPosition(marks.first().cursor.selectionStart());
    preview->setTextCursor(first);
  }
}

void TFrmMaintainNotes::searchChanged() {
  store_.setSearch(search_->text());
  if (currentPage() == ManagerPage::Trash)
    select(trash_grid_, 0);
  else
    select(grid_, 0);
}

void TFrmMaintainNotes::refreshTables() {
  const int note = selectedNote();
  const int trashed = selectedTrashNote();
  store_.refresh();
  select(grid_, note);
  select(trash_grid_, trashed);
  prepare_timer_->start();
}

void TFrmMaintainNotes::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // Note windows may have changed the tables while another window was
  // active.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !busy_) refreshTables();
}

void TFrmMaintainNotes::showEvent(QShowEvent* event) {
  static const char* kRestored = "placementRestored";
  if (!property(kRestored).toBool()) {
    setProperty(kRestored, true);
    place_->RestorePlacement();
  }
  QDialog::showEvent(event);
}

void TFrmMaintainNotes::pupMenuNotesPopup() {
  const std::optional<NoteRecord> note = store_.note(selectedNote());
  show_on_desktop_->setChecked(note && note->showing);
}

void TFrmMaintainNotes::editNoteProperties() {
  const int recNo = selectedNote();
  if (recNo <= 0) return;
  busy_ = true;
  host_.editNoteProperties(recNo);
  QCoreApplication::processEvents();
  busy_ = false;
  refreshTables();
}

void TFrmMaintainNotes::showNoteOnDesktop() {
  const int recNo = selectedNote();
  const std::optional<NoteRecord> note = store_.note(recNo);
  if (!note) return;
  busy_ = true;
  grid_->setEnabled(false);
  if (!note->showing) {
    const StoreResult written = store_.setShowing(recNo, true);
    if (written == StoreResult::Done)
      host_.showNoteWindow(recNo);
    else
      tell(this, store_.lastError());
  } else if (!host_.hideNoteWindow(recNo)) {
    // Marked showing without a window of ours (another copy's, or one
    // left over): the mark alone is put right.
    store_.setShowing(recNo, false);
  }
  QCoreApplication::processEvents();
  grid_->setEnabled(true);
  busy_ = false;
  refreshTables();
}

void TFrmMaintainNotes::sendNoteToTrash() {
  const int recNo = selectedNote();
  const std::optional<NoteRecord> note = store_.note(recNo);
  if (!note) return;
  busy_ = true;
  // A showing note first stores its window's last changes and closes.
  if (note->showing) {
    host_.hideNoteWindow(recNo);
    QCoreApplication::processEvents();
  }
  const StoreResult moved = store_.sendToTrash(recNo);
  busy_ = false;
  if (moved != StoreResult::Done && moved != StoreResult::NoRecord) tell(this, store_.lastError());
  store_.refresh();
  select(grid_, 0);
  select(trash_grid_, 0);
}

void TFrmMaintainNotes::emptyTrashBin() {
  if (ask(this, QStringLiteral("Permanently delete all notes contained in the Trash Bin?")) != Answer::Yes) return;
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents();
  setEnabled(false);
  trash_grid_->setEnabled(false);
  const EmptyTrashResult result = store_.emptyTrash([] { QCoreApplication::processEvents(); });
  trash_grid_->setEnabled(true);
  setEnabled(true);
  QApplication::restoreOverrideCursor();
  busy_ = false;
  select(trash_grid_, 0);
  if (result.locked > 0)
    tell(this, CountOf(result.locked, "note", "notes") +
                   QStringLiteral(" could not be deleted because another program is using %1. %2 in the Trash Bin.")
                       .arg(result.locked == 1 ? "it" : "them", result.locked == 1 ? "It stays" : "They stay"));
  else if (result.failed)
    tell(this, store_.lastError());
}

void TFrmMaintainNotes::restoreNote() {
  const int recNo = selectedTrashNote();
  if (recNo <= 0) return;
  if (ask(this, QStringLiteral("Restore this trashed note?")) != Answer::Yes) return;
  const StoreResult restored = store_.restore(recNo);
  if (restored != StoreResult::Done && restored != StoreResult::NoRecord) tell(this, store_.lastError());
  store_.refresh();
  select(trash_grid_, 0);
  select(grid_, selectedNote());
}

void TFrmMaintainNotes::exportNotes(bool selectedOnly) {
  const QList<int> recNos = selectedOnly ? selectedNotes() : QList<int>{};
  if (selectedOnly && recNos.isEmpty()) {
    tell(this, QStringLiteral("Select the notes to export first."));
    return;
  }
  const ExportChoice choice = chooseExport(this);
  if (choice.folder.isEmpty()) return;
  const QList<ExportNote> notes = store_.notesForExport(recNos);
  const ExportResult result = ExportNotes(notes, choice.folder, choice.format);
  store_.refresh();
  if (!result.ok())
    tell(this, result.error);
  else
    tell(this, QStringLiteral("%1 exported to %2.").arg(CountOf(result.written, "note", "notes"), choice.folder));
}

}  // namespace qp
