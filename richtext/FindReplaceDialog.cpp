#include "richtext/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "richtext/RichEdit.h"

namespace qp {

FindReplaceDialog::FindReplaceDialog(RichEdit* editor) : QDialog(editor), editor_(editor) {
  setObjectName(QStringLiteral("FindReplaceDialog"));
  findEdit_ = new QLineEdit(this);
  findEdit_->setObjectName(QStringLiteral("findText"));
  replaceEdit_ = new QLineEdit(this);
  replaceEdit_->setObjectName(QStringLiteral("replaceText"));
  replaceLabel_ = new QLabel(tr("Replace &with:"), this);
  replaceLabel_->setBuddy(replaceEdit_);
  auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
  findLabel->setBuddy(findEdit_);
  matchCase_ = new QCheckBox(tr("Match &case"), this);
  matchCase_->setObjectName(QStringLiteral("matchCase"));
  matchCase_->setChecked(true);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));

  auto* findButton = new QPushButton(tr("&Find Next"), this);
  findButton->setObjectName(QStringLiteral("findNext"));
  findButton->setDefault(true);
  replaceButton_ = new QPushButton(tr("&Replace"), this);
  replaceButton_->setObjectName(QStringLiteral("replace"));
  replaceAllButton_ = new QPushButton(tr("Replace &All"), this);
  replaceAllButton_->setObjectName(QStringLiteral("replaceAll"));
  auto* closeButton = new QPushButton(tr("Close"), this);

  auto* layout = new QGridLayout(this);
  layout->addWidget(findLabel, 0, 0);
  layout->addWidget(findEdit_, 0, 1);
  layout->addWidget(findButton, 0, 2);
  layout->addWidget(replaceLabel_, 1, 0);
  layout->addWidget(replaceEdit_, 1, 1);
  layout->addWidget(replaceButton_, 1, 2);
  layout->addWidget(matchCase_, 2, 1);
  layout->addWidget(replaceAllButton_, 2, 2);
  layout->addWidget(status_, 3, 0, 1, 2);
  layout->addWidget(closeButton, 3, 2);

  connect(findButton, &QPushButton::clicked, this, &FindReplaceDialog::findNext);
  connect(replaceButton_, &QPushButton::clicked, this, &FindReplaceDialog::replaceOne);
  connect(replaceAllButton_, &QPushButton::clicked, this, &FindReplaceDialog::replaceEverything);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
  setReplaceMode(false);
}

void FindReplaceDialog::setReplaceMode(bool on) {
  setWindowTitle(on ? tr("Replace") : tr("Find"));
  replaceLabel_->setVisible(on);
  replaceEdit_->setVisible(on);
  replaceButton_->setVisible(on);
  replaceAllButton_->setVisible(on);
}

void FindReplaceDialog::setFindText(const QString& text) { findEdit_->setText(text); }

int FindReplaceDialog::flags() const {
  return matchCase_->isChecked() ? int(QTextDocument::FindCaseSensitively) : 0;
}

bool FindReplaceDialog::findNext() {
  const bool found =
      editor_->findNext(findEdit_->text(), QTextDocument::FindFlags(flags()));
  status_->setText(found ? QString() : tr("Cannot find \"%1\"").arg(findEdit_->text()));
  return found;
}

void FindReplaceDialog::replaceOne() {
  // Replace the match that is selected, then move on to the next one.
  const QString selected = editor_->textCursor().selectedText();
  const Qt::CaseSensitivity cs = matchCase_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
  if (!selected.isEmpty() && selected.compare(findEdit_->text(), cs) == 0)
    editor_->replaceSelection(replaceEdit_->text());
  findNext();
}

void FindReplaceDialog::replaceEverything() {
  const int count = editor_->replaceAll(findEdit_->text(), replaceEdit_->text(),
                                        QTextDocument::FindFlags(flags()));
  status_->setText(tr("%n replacement(s)", nullptr, count));
}

}  // namespace qp
