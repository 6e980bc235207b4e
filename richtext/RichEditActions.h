#pragma once
// RichEditActions holds the commands of one RichEdit (edit dialog, cut,
// copy, paste, bold, italic, underline, font, bullet, paragraph, tabs,
// find, replace, insert object) as QActions, so the context menu and the
// editor dialog's toolbar offer the same commands with the same states.
// Checked and enabled states follow the editor's selection and read-only
// mode; every action has an objectName ("actionBold", ...) for tests and
// style sheets.
#include <QObject>

class QAction;
class QMenu;
class QToolBar;

namespace qp {

class RichEdit;

class RichEditActions : public QObject {
  Q_OBJECT
 public:
  explicit RichEditActions(RichEdit* editor);

  void populateMenu(QMenu* menu);
  void populateToolBar(QToolBar* toolBar);
  QAction* find(const QString& objectName) const;

 public slots:
  void updateStates();

 private:
  QAction* add(const QString& name, const QString& text, bool checkable = false);

  RichEdit* editor_;
  QAction* edit_;
  QAction* cut_;
  QAction* copy_;
  QAction* paste_;
  QAction* bold_;
  QAction* italic_;
  QAction* underline_;
  QAction* font_;
  QAction* bullet_;
  QAction* paragraph_;
  QAction* tabs_;
  QAction* find_;
  QAction* replace_;
  QAction* insertObject_;
};

}  // namespace qp
