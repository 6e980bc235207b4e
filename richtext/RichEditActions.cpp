#include "richtext/RichEditActions.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

#include "richtext/RichEdit.h"

namespace qp {

RichEditActions::RichEditActions(RichEdit* editor) : QObject(editor), editor_(editor) {
  edit_ = add(QStringLiteral("actionEdit"), tr("&Edit..."));
  cut_ = add(QStringLiteral("actionCut"), tr("Cu&t"));
  copy_ = add(QStringLiteral("actionCopy"), tr("&Copy"));
  paste_ = add(QStringLiteral("actionPaste"), tr("&Paste"));
  bold_ = add(QStringLiteral("actionBold"), tr("&Bold"), true);
  italic_ = add(QStringLiteral("actionItalic"), tr("&Italic"), true);
  underline_ = add(QStringLiteral("actionUnderline"), tr("&Underline"), true);
  font_ = add(QStringLiteral("actionFont"), tr("&Font..."));
  bullet_ = add(QStringLiteral("actionBullet"), tr("Bu&llet"), true);
  paragraph_ = add(QStringLiteral("actionParagraph"), tr("P&aragraph..."));
  tabs_ = add(QStringLiteral("actionTabs"), tr("Ta&bs..."));
  find_ = add(QStringLiteral("actionFind"), tr("F&ind..."));
  replace_ = add(QStringLiteral("actionReplace"), tr("&Replace..."));
  insertObject_ = add(QStringLiteral("actionInsertObject"), tr("Insert &Object..."));

  QFont boldFont;
  boldFont.setBold(true);
  bold_->setFont(boldFont);
  QFont italicFont;
  italicFont.setItalic(true);
  italic_->setFont(italicFont);
  QFont underlineFont;
  underlineFont.setUnderline(true);
  underline_->setFont(underlineFont);

  connect(edit_, &QAction::triggered, editor, &RichEdit::openEditorDialog);
  connect(cut_, &QAction::triggered, editor, &RichEdit::cut);
  connect(copy_, &QAction::triggered, editor, &RichEdit::copy);
  connect(paste_, &QAction::triggered, editor, &RichEdit::paste);
  connect(bold_, &QAction::triggered, editor, &RichEdit::toggleBold);
  connect(italic_, &QAction::triggered, editor, &RichEdit::toggleItalic);
  connect(underline_, &QAction::triggered, editor, &RichEdit::toggleUnderline);
  connect(font_, &QAction::triggered, editor, &RichEdit::chooseFont);
  connect(bullet_, &QAction::triggered, editor, &RichEdit::toggleBullet);
  connect(paragraph_, &QAction::triggered, editor, &RichEdit::editParagraph);
  connect(tabs_, &QAction::triggered, editor, &RichEdit::editTabs);
  connect(find_, &QAction::triggered, editor, &RichEdit::showFind);
  connect(replace_, &QAction::triggered, editor, &RichEdit::showReplace);
  connect(insertObject_, &QAction::triggered, editor, &RichEdit::insertObject);

  // Toggles act on the selection, then show its new state.
  for (QAction* toggle : {bold_, italic_, underline_, bullet_})
    connect(toggle, &QAction::triggered, this, &RichEditActions::updateStates);
  connect(editor, &QTextEdit::currentCharFormatChanged, this, &RichEditActions::updateStates);
  connect(editor, &QTextEdit::cursorPositionChanged, this, &RichEditActions::updateStates);
  connect(editor, &QTextEdit::selectionChanged, this, &RichEditActions::updateStates);
}

QAction* RichEditActions::add(const QString& name, const QString& text, bool checkable) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  action->setCheckable(checkable);
  return action;
}

QAction* RichEditActions::find(const QString& objectName) const {
  return findChild<QAction*>(objectName, Qt::FindDirectChildrenOnly);
}

void RichEditActions::updateStates() {
  const bool writable = !editor_->isReadOnly();
  const bool selected = editor_->textCursor().hasSelection();
  edit_->setVisible(editor_->editorDialogEnabled());
  cut_->setEnabled(writable && selected);
  copy_->setEnabled(selected);
  paste_->setEnabled(writable && editor_->canPaste());
  for (QAction* a : {bold_, italic_, underline_, font_, bullet_, paragraph_, tabs_, replace_,
                     insertObject_})
    a->setEnabled(writable);
  bold_->setChecked(editor_->selectionIsBold());
  italic_->setChecked(editor_->selectionIsItalic());
  underline_->setChecked(editor_->selectionIsUnderlined());
  bullet_->setChecked(editor_->selectionIsBulleted());
}

void RichEditActions::populateMenu(QMenu* menu) {
  updateStates();
  menu->addAction(edit_);
  menu->addSeparator();
  menu->addActions({cut_, copy_, paste_});
  menu->addSeparator();
  menu->addActions({bold_, italic_, underline_, font_});
  menu->addSeparator();
  menu->addActions({bullet_, paragraph_, tabs_});
  menu->addSeparator();
  menu->addActions({find_, replace_});
  menu->addSeparator();
  menu->addAction(insertObject_);
}

void RichEditActions::populateToolBar(QToolBar* toolBar) {
  updateStates();
  toolBar->addActions({cut_, copy_, paste_});
  toolBar->addSeparator();
  toolBar->addActions({bold_, italic_, underline_, font_});
  toolBar->addSeparator();
  toolBar->addActions({bullet_, paragraph_, tabs_});
  toolBar->addSeparator();
  toolBar->addActions({find_, replace_, insertObject_});
}

}  // namespace qp
