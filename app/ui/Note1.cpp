#include "app/ui/Note1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/model/Autosave.h"
#include "app/model/ColorRef.h"
#include "app/model/Mailto.h"
#include "app/model/NoteStore.h"
#include "app/model/Placeholders.h"
#include "app/ui/NoteCap.h"
#include "app/ui/Seams.h"
#include "components/FormPlace.h"
#include "richtext/RichEdit.h"
#include "richtext/RichEditDialog.h"

namespace qp {

namespace {

// A caption-strip button that draws its glyph in the caption font colour,
// so the buttons stay readable on any note colour.
class GlyphButton : public QToolButton {
 public:
  enum class Glyph { Menu, Collapse, Expand, Hide };
  GlyphButton(Glyph glyph, QWidget* parent) : QToolButton(parent), glyph_(glyph) {
    setAutoRaise(true);
    setFixedSize(16, 14);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
  }
  void setGlyphColor(const QColor& color) {
    color_ = color;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QToolButton::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color_, 1.6));
    p.setBrush(color_);
    const QRectF r = QRectF(rect()).adjusted(4, 3, -4, -3);
    switch (glyph_) {
      case Glyph::Menu:
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(r.left(), r.top() + i * r.height() / 2), QPointF(r.right(), r.top() + i * r.height() / 2));
        break;
      case Glyph::Collapse:
        p.drawPolygon(QPolygonF({QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()), QPointF(r.center().x(), r.top())}));
        break;
      case Glyph::Expand:
        p.drawPolygon(QPolygonF({QPointF(r.left(), r.top()), QPointF(r.right(), r.top()), QPointF(r.center().x(), r.bottom())}));
        break;
      case Glyph::Hide:
        p.setBrush(Qt::NoBrush);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
        break;
    }
  }

 private:
  Glyph glyph_;
  QColor color_ = Qt::black;
};

// Waits while the windows keep working: the animation's pace.
void WaitPumping(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

// The fields a window changes; an autosave with none of them changed would
// only rewrite the record.
bool SameContent(const NoteRecord& a, const NoteRecord& b) {
  return a.caption == b.caption && a.rtf == b.rtf && a.color == b.color && a.geometry == b.geometry &&
         a.collapsed == b.collapsed && a.stayOnTop == b.stayOnTop && a.alarmDate == b.alarmDate &&
         a.alarmTime == b.alarmTime && a.expireDate == b.expireDate && a.expireTime == b.expireTime &&
         a.alarmActive == b.alarmActive && a.alarmType == b.alarmType && a.expires == b.expires &&
         a.expireType == b.expireType && a.expireToTrash == b.expireToTrash && a.capFontName == b.capFontName &&
         a.capFontSize == b.capFontSize && a.capFontColor == b.capFontColor;
}

QAction* AddItem(QMenu* menu, const QString& text, const char* name, const QKeySequence& key = {}) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  if (!key.isEmpty()) action->setShortcut(key);
  return action;
}

}  // namespace

TFrmNote::TFrmNote(NoteStore& store, AppServices& services, NoteHost& host, int id)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      store_(store),
      services_(services),
      host_(host),
      id_(id) {
  setObjectName(QStringLiteral("FrmNote%1").arg(id));
  setAttribute(Qt::WA_DeleteOnClose);
  setMinimumSize(kNoteMinWidth, kCollapsedHeight);
  autosave_ = new Autosave(this);
  connect(autosave_, &Autosave::storeNow, this, &TFrmNote::autosaveNow);
  buildWindow();
  buildMenu();
}

TFrmNote::~TFrmNote() = default;

void TFrmNote::buildWindow() {
  panel_ = new QFrame(this);
  panel_->setObjectName("Panel1");
  panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel_->setAutoFillBackground(true);
  panel_->setMouseTracking(true);
  panel_->installEventFilter(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(panel_);

  auto* column = new QVBoxLayout(panel_);
  column->setContentsMargins(2, 1, 6, 6);
  column->setSpacing(1);
  auto* strip = new QHBoxLayout;
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(1);
  column->addLayout(strip);

  btnMenu_ = new GlyphButton(GlyphButton::Glyph::Menu, panel_);
  btnMenu_->setObjectName("BtnMenu");
  btnMenu_->setToolTip("Options");
  caption_ = new QLabel(panel_);
  caption_->setObjectName("EdNoteCaption");
  caption_->setToolTip("Double click here to change note title");
  caption_->setMouseTracking(true);
  caption_->installEventFilter(this);
  caption_->setMinimumWidth(10);
  caption_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  btnCollapse_ = new GlyphButton(GlyphButton::Glyph::Collapse, panel_);
  btnCollapse_->setObjectName("BtnCloseUp");
  btnCollapse_->setToolTip("Collapse Note");
  btnExpand_ = new GlyphButton(GlyphButton::Glyph::Expand, panel_);
  btnExpand_->setObjectName("BtnExpand");
  btnExpand_->setToolTip("Expand Note");
  btnExpand_->hide();
  btnExit_ = new GlyphButton(GlyphButton::Glyph::Hide, panel_);
  btnExit_->setObjectName("BtnExit");
  btnExit_->setToolTip("Hide Note");
  strip->addWidget(btnMenu_);
  strip->addWidget(caption_, 1);
  strip->addWidget(btnCollapse_);
  strip->addWidget(btnExpand_);
  strip->addWidget(btnExit_);

  text_ = new RichEdit(panel_);
  text_->setObjectName("RichEdit1");
  text_->setFrameShape(QFrame::NoFrame);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  text_->setPrintJobName("Quillpad");
  text_->setDialogCaption("Edit Note Text");
  text_->installEventFilter(this);
  column->addWidget(text_, 1);

  connect(btnMenu_, &QToolButton::clicked, this, [this] {
    refreshTemplateMenu();
    menu_->popup(btnMenu_->mapToGlobal(QPoint(0, btnMenu_->height())));
  });
  connect(btnCollapse_, &QToolButton::clicked, this, &TFrmNote::collapse);
  connect(btnExpand_, &QToolButton::clicked, this, &TFrmNote::expand);
  connect(btnExit_, &QToolButton::clicked, this, &TFrmNote::hideNote);
  connect(text_, &QTextEdit::textChanged, this, [this] {
    if (!building_) autosave_->changed();
  });
  connect(text_, &RichEdit::editorDialogCreated, this,
          [this](RichEditDialog* dialog) { dialog->setTextAreaColor(FromColorRef(record_.color)); });
  panel_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(panel_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    refreshTemplateMenu();
    menu_->popup(panel_->mapToGlobal(at));
  });
}

void TFrmNote::buildMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName("PupMenu");
  QAction* props = AddItem(menu_, "Note &Properties...", "NoteProperties1", QKeySequence("Ctrl+P"));
  QAction* edit = AddItem(menu_, "&Edit Note...", "EditNote2", QKeySequence("Ctrl+E"));
  QAction* reminder = AddItem(menu_, "Set Reminder...", "SetReminder1");
  QAction* hide = AddItem(menu_, "&Hide Note", "HideNote1", QKeySequence("Ctrl+H"));
  QAction* trash = AddItem(menu_, "&Trash Note", "DeleteNote1", QKeySequence("Ctrl+T"));
  QAction* email = AddItem(menu_, "Email Note...", "EmailNote1");
  stayOnTop_ = AddItem(menu_, "Stay on Top", "StayonTop1");
  stayOnTop_->setCheckable(true);
  menu_->addSeparator();
  newNoteMenu_ = menu_->addMenu("New Note...");
  newNoteMenu_->setObjectName("NewNote1");
  connect(newNoteMenu_, &QMenu::aboutToShow, this, &TFrmNote::refreshTemplateMenu);
  for (int n = 1; n <= 10; ++n) {
    QAction* item = AddItem(newNoteMenu_, QStringLiteral("Template %1").arg(n), "");
    item->setObjectName(QStringLiteral("Template%1").arg(n));
    item->setData(n);
    connect(item, &QAction::triggered, this, [this, item] { host_.newNoteFromTemplate(item->data().toInt()); });
  }
  QAction* manager = AddItem(menu_, "&Notes && Reminders...", "MaintainAllNotes1", QKeySequence("Ctrl+N"));
  connect(manager, &QAction::triggered, this, [this] { host_.openManager(); });
  menu_->addSeparator();
  QAction* help = AddItem(menu_, "Help", "Help1");
  menu_->addSeparator();
  QAction* config = AddItem(menu_, "Configure...", "Config1");
  connect(config, &QAction::triggered, this, [this] { host_.configureQuillpad(); });

  // The shortcuts work wherever the focus is in the note.
  for (QAction* a : {props, edit, hide, trash}) {
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
  }
  connect(props, &QAction::triggered, this, [this] { editProperties(TFrmNoteProps::Page::Settings); });
  connect(reminder, &QAction::triggered, this, [this] { editProperties(TFrmNoteProps::Page::Reminder); });
  connect(edit, &QAction::triggered, text_, &RichEdit::openEditorDialog);
  connect(hide, &QAction::triggered, this, &TFrmNote::hideNote);
  connect(trash, &QAction::triggered, this, &TFrmNote::trashNote);
  connect(email, &QAction::triggered, this, &TFrmNote::emailNote);
  connect(stayOnTop_, &QAction::triggered, this, &TFrmNote::setStayOnTop);
  connect(help, &QAction::triggered, this, [this] {
    if (services_.help) services_.help->show(kHelpContext);
  });
}

void TFrmNote::refreshTemplateMenu() {
  const QList<TemplateEntry> entries = host_.templateEntries();
  const QList<QAction*> items = newNoteMenu_->actions();
  for (int i = 0; i < items.size(); ++i) {
    QAction* item = items[i];
    item->setVisible(false);
    if (i < entries.size() && entries[i].inUse) {
      item->setText(entries[i].name);
      item->setVisible(true);
    }
  }
}

bool TFrmNote::isStayOnTop() const { return stayOnTop_->isChecked(); }
QString TFrmNote::caption() const { return caption_->text(); }
QString TFrmNote::plainText() const { return text_->toPlainText(); }

void TFrmNote::applyColors() {
  const QColor color = FromColorRef(record_.color);
  QPalette pal = panel_->palette();
  pal.setColor(QPalette::Window, color);
  pal.setColor(QPalette::Button, color);
  panel_->setPalette(pal);
  text_->setColor(color);
  QFont font = caption_->font();
  if (!record_.capFontName.isEmpty()) font.setFamily(record_.capFontName);
  if (record_.capFontSize > 0) font.setPointSize(record_.capFontSize);
  caption_->setFont(font);
  const QColor captionColor = FromColorRef(record_.capFontColor);
  QPalette capPal = caption_->palette();
  capPal.setColor(QPalette::WindowText, captionColor);
  caption_->setPalette(capPal);
  // PaintButtonGlyphs: the glyphs take the caption font colour.
  for (QToolButton* b : {btnMenu_, btnCollapse_, btnExpand_, btnExit_})
    static_cast<GlyphButton*>(b)->setGlyphColor(captionColor);
}

void TFrmNote::applyRecord(const NoteRecord& note) {
  building_ = true;
  record_ = note;
  record_.handle = id_;
  QRect geometry = note.geometry;
  if (geometry.width() < kNoteMinWidth) geometry.setWidth(kNoteMinWidth);
  if (geometry.height() < kCollapsedHeight) geometry.setHeight(kCollapsedHeight);
  // A note left on a monitor that is gone comes back onto a visible screen.
  if (!QGuiApplication::screens().isEmpty()) geometry = TFormPlace::keepOnScreen(geometry);
  setGeometry(geometry);
  stayOnTop_->setChecked(note.stayOnTop);
  setWindowFlag(Qt::WindowStaysOnTopHint, note.stayOnTop);
  setCaption(note.caption);
  text_->setAutoUrlDetect(services_.preferences.enableUrl);
  text_->setRtf(note.rtf);
  applyColors();
  if (note.collapsed) {
    // Reopened collapsed: straight to the strip, without the animation and
    // its sound, which would only slow the start and make noise.
    saved_ = geometry.size();
    const std::vector<QRect> steps = CollapseSteps(geometry);
    setGeometry(steps.back());
    collapsed_ = true;
    btnCollapse_->hide();
    btnExpand_->show();
    text_->hide();
  }
  building_ = false;
}

void TFrmNote::showRecord(const NoteRecord& note) {
  applyRecord(note);
  lastStored_ = snapshot();
  show();
}

void TFrmNote::showNew(const NoteRecord& note) {
  applyRecord(note);
  // A new note starts without a caption; the template's name is not one.
  setCaption(QString());
  const QDateTime now = services_.clock ? services_.clock->now() : QDateTime::currentDateTime();
  record_.alarmActive = false;
  record_.alarmType = 0;
  record_.alarmDate = now.date();
  record_.alarmTime = QTime(now.time().hour(), now.time().minute());
  record_.expires = false;
  record_.expireType = 1;
  record_.expireDate = now.date();
  record_.expireTime = record_.alarmTime;
  record_.expireToTrash = true;
  show();
  building_ = true;
  const int caret = ReplacePlaceholders(*text_->document(), now);
  building_ = false;
  QTextCursor cursor = text_->textCursor();
  cursor.setPosition(caret);
  text_->setTextCursor(cursor);
  text_->setFocus();
  activateWindow();
  raise();
  if (record_.recNo == 0) {
    if (services_.ask)
      services_.ask->warning(this, "Quillpad",
                             "The new note could not be saved: " + store_.lastError() +
                                 "\nIts text will be lost when it is closed; copy anything you need.");
  } else {
    autosave_->changed();  // the record still holds the template's text and caption
  }
}

void TFrmNote::setCaption(const QString& caption) {
  caption_->setText(caption);
  caption_->setToolTip(caption.isEmpty() ? QStringLiteral("Double click here to change note title") : caption);
  updateTitle();
  if (!building_) autosave_->changed();
}

void TFrmNote::updateTitle() { setWindowTitle("Quillpad note: " + caption_->text()); }

NoteRecord TFrmNote::snapshot() const {
  NoteRecord r = record_;
  r.handle = id_;
  r.caption = caption_->text();
  r.rtf = text_->rtf();
  r.collapsed = collapsed_;
  r.geometry = StoredGeometry(geometry(), collapsed_, saved_);
  r.stayOnTop = stayOnTop_->isChecked();
  return r;
}

StoreResult TFrmNote::storeNote(Showing showing) {
  autosave_->clear();
  const NoteRecord now = snapshot();
  const StoreResult result = store_.updateNote(now, showing);
  if (result == StoreResult::Done) lastStored_ = now;
  return result;
}

void TFrmNote::autosaveNow() {
  if (record_.recNo == 0) return;
  const NoteRecord now = snapshot();
  if (SameContent(now, lastStored_)) return;
  const StoreResult result = store_.updateNote(now, Showing::Unchanged);
  if (result == StoreResult::Done) lastStored_ = now;
  if (result == StoreResult::Busy || result == StoreResult::Locked) autosave_->retry();
}

bool TFrmNote::storeBeforeClosing(Showing showing) {
  const StoreResult result = storeNote(showing);
  // NoRecord: the note was deleted meanwhile (or never stored); closing
  // loses nothing the table still has.
  if (result == StoreResult::Done || result == StoreResult::NoRecord) return true;
  if (services_.ask)
    services_.ask->warning(this, "Quillpad",
                           "The note could not be saved: " + store_.lastError() +
                               "\nIt stays open so that nothing you wrote is lost; try again in a moment.");
  return false;
}

void TFrmNote::hideNote() {
  closeMode_ = Showing::Hidden;
  if (!storeBeforeClosing(Showing::Hidden)) return;
  stored_ = true;
  close();
}

void TFrmNote::shutdownNote() {
  closeMode_ = Showing::Shown;
  // The program ends either way; the record keeps its last stored state.
  storeBeforeClosing(Showing::Shown);
  stored_ = true;
  close();
}

void TFrmNote::closeEvent(QCloseEvent* event) {
  if (!stored_) {
    // Any other close (Alt+F4, the window manager) hides the note, unless
    // the program is ending: then the note reopens at the next start.
    const Showing showing = host_.shuttingDown() ? Showing::Shown : Showing::Hidden;
    if (!storeBeforeClosing(showing) && showing == Showing::Hidden) {
      event->ignore();
      return;
    }
    stored_ = true;
  }
  autosave_->clear();
  host_.noteClosed(id_);
  event->accept();
}

void TFrmNote::trashNote() {
  if (record_.recNo == 0) return;
  // The trash gets the note as the window shows it.
  const StoreResult saved = storeNote(Showing::Unchanged);
  if (saved != StoreResult::Done) {
    if (services_.ask && saved != StoreResult::NoRecord)
      services_.ask->warning(this, "Quillpad", "The note could not be moved to the trash: " + store_.lastError());
    return;
  }
  stored_ = true;
  const StoreResult result = store_.trashNote(snapshot());
  if (result != StoreResult::Done) {
    if (services_.ask && result != StoreResult::NoRecord)
      services_.ask->warning(this, "Quillpad", "The note could not be moved to the trash: " + store_.lastError());
    stored_ = false;
    return;
  }
  QCoreApplication::processEvents();
  close();
}

void TFrmNote::emailNote() {
  text_->selectAll();
  text_->copy();
  const QString body = text_->toPlainText();
  if (services_.shell) services_.shell->openUrl(MailtoUrl(body));
}

void TFrmNote::setStayOnTop(bool on) {
  stayOnTop_->setChecked(on);
  const QRect keep = geometry();
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  setGeometry(keep);
  if (visible) show();
  autosave_->changed();
}

void TFrmNote::editProperties(TFrmNoteProps::Page page) {
  moving_ = false;
  resizing_ = false;
  TFrmNoteProps dialog(this, services_.help, services_.pickers);
  dialog.setPage(page);
  dialog.fill(snapshot());
  if (dialog.exec() != QDialog::Accepted) return;
  const NoteRecord chosen = dialog.values(snapshot());
  // The fields the window keeps; those it shows (text, caption, stay on
  // top) go to their controls below.
  record_ = chosen;
  building_ = true;
  text_->setRtf(chosen.rtf);
  building_ = false;
  setCaption(chosen.caption);
  applyColors();
  if (chosen.stayOnTop != isStayOnTop()) setStayOnTop(chosen.stayOnTop);
  if (!dialog.showing()) {
    hideNote();
    return;
  }
  // Stored at once: a reminder set a minute ahead must be in the table
  // before the next check.
  if (storeNote(Showing::Shown) == StoreResult::Done) return;
  autosave_->retry();
}

void TFrmNote::editCaption() {
  // The double click's first press started a move whose release the modal
  // dialog takes; end it here so the next press starts afresh (Qt sends no
  // further press after a double click, so nothing is to be swallowed).
  moving_ = false;
  resizing_ = false;
  TFrmNoteCaption dialog(caption_->text(), this);
  if (dialog.exec() == QDialog::Accepted) setCaption(dialog.caption());
}

void TFrmNote::animateTo(const std::vector<QRect>& steps) {
  folding_ = true;
  panel_->setFrameStyle(QFrame::Panel | QFrame::Plain);
  btnCollapse_->hide();
  btnExpand_->hide();
  btnExit_->hide();
  for (size_t i = 0; i + 1 < steps.size(); ++i) {
    WaitPumping(4);
    setGeometry(steps[i]);
  }
  setGeometry(steps.back());
  panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  folding_ = false;
}

void TFrmNote::finishFold() {
  btnExit_->show();
  QTextCursor cursor = text_->textCursor();
  cursor.setPosition(0);
  text_->setTextCursor(cursor);
  text_->viewport()->update();
  if (!collapsed_) text_->setFocus();
  autosave_->changed();
}

void TFrmNote::collapse() {
  if (collapsed_ || folding_) return;
  saved_ = size();
  text_->hide();
  animateTo(CollapseSteps(geometry()));
  collapsed_ = true;
  btnExpand_->show();
  if (services_.preferences.enableSounds && services_.sound) services_.sound->play("Collapse.wav");
  finishFold();
}

void TFrmNote::expand() {
  if (!collapsed_ || folding_) return;
  animateTo(ExpandSteps(geometry(), saved_));
  collapsed_ = false;
  text_->show();
  btnCollapse_->show();
  if (services_.preferences.enableSounds && services_.sound) services_.sound->play("Expand.wav");
  finishFold();
}

void TFrmNote::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) autosave_->flush();
  QWidget::changeEvent(event);
}

void TFrmNote::moveEvent(QMoveEvent* event) {
  if (!building_ && !folding_ && isVisible()) autosave_->changed();
  QWidget::moveEvent(event);
}

void TFrmNote::resizeEvent(QResizeEvent* event) {
  if (!building_ && !folding_ && isVisible()) autosave_->changed();
  QWidget::resizeEvent(event);
}

bool TFrmNote::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() == Qt::ControlModifier) {
        switch (key->key()) {
          case Qt::Key_E: text_->openEditorDialog(); return true;
          case Qt::Key_B: text_->toggleBold(); return true;
          case Qt::Key_J: text_->toggleItalic(); return true;
          case Qt::Key_U: text_->toggleUnderline(); return true;
          case Qt::Key_Z: text_->undo(); return true;
          default: break;
        }
      }
    }
    return QWidget::eventFilter(watched, event);
  }
  if (watched != panel_ && watched != caption_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      if (watched == caption_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        editCaption();
        return true;
      }
      break;
    case QEvent::MouseButtonPress:
      mousePress(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseMove:
      mouseMove(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        moving_ = false;
        resizing_ = false;
      }
      return true;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmNote::mousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressGlobal_ = event->globalPosition().toPoint();
  pressWindowPos_ = pos();
  press_ = pressGlobal_ - pressWindowPos_;
  grip_ = GripAt(press_.x(), press_.y(), width(), height(), collapsed_);
  moving_ = grip_ == Grip::Move;
  resizing_ = !moving_;
  raise();
  activateWindow();
}

void TFrmNote::mouseMove(QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  const QPoint at = global - pos();
  if (!moving_ && !resizing_) {
    switch (GripAt(at.x(), at.y(), width(), height(), collapsed_)) {
      case Grip::ResizeCorner: panel_->setCursor(Qt::SizeFDiagCursor); break;
      case Grip::ResizeRight: panel_->setCursor(Qt::SizeHorCursor); break;
      case Grip::ResizeBottom: panel_->setCursor(Qt::SizeVerCursor); break;
      case Grip::Move: panel_->setCursor(Qt::ArrowCursor); break;
    }
    return;
  }
  if (moving_) {
    // The press point stays under the mouse: the window follows it. Taken
    // from where the drag began, so a window manager that reports the new
    // position late cannot make the window run ahead of the mouse.
    move(pressWindowPos_ + global - pressGlobal_);
    return;
  }
  const QPoint delta = at - press_;
  QSize size = this->size();
  if (grip_ == Grip::ResizeCorner || grip_ == Grip::ResizeRight) size.rwidth() += delta.x();
  if (grip_ == Grip::ResizeCorner || grip_ == Grip::ResizeBottom) size.rheight() += delta.y();
  resize(size.expandedTo(minimumSize()));
  press_ = at;
}

}  // namespace qp
