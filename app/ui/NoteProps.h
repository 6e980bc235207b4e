#pragma once
// TFrmNoteProps: the modal dialog that edits everything about one open
// note: showing, stay on top, caption and its font, colour, text, reminder
// and expiry. The note window fills it from its own state and, on OK,
// takes the values back and stores itself; the dialog touches no table.
#include <QDialog>

#include "app/model/NoteRecord.h"

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QTimeEdit;

namespace qp {

class CaptionSample;
class Help;
class Pickers;
class RichEdit;

class TFrmNoteProps : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 1010;
  enum class Page { Settings = 0, NoteText = 1, Reminder = 2, Expiration = 3 };

  explicit TFrmNoteProps(QWidget* parent = nullptr, Help* help = nullptr, Pickers* pickers = nullptr);

  void setPage(Page page);
  // Fills every control from the note ("Note is Showing" checked).
  void fill(const NoteRecord& note);
  // `note` with the dialog's values in place of the fields it edits.
  NoteRecord values(const NoteRecord& note) const;
  // "Note is Showing": unchecked, the note is stored hidden and closes.
  bool showing() const;

  // The reminder type list, rewritten for the calendar's date.
  void buildReminderTypeList();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* buildSettingsPage();
  QWidget* buildTextPage();
  QWidget* buildReminderPage();
  QWidget* buildExpirationPage();
  void focusFirstControl(int page);
  void reminderActiveChanged();
  void neverExpiresChanged();
  void expiryKindChanged();
  void chooseNoteColor();
  void setNoteColor(const QColor& color);

  Help* help_;
  Pickers* pickers_;
  QTabWidget* pages_ = nullptr;
  QCheckBox* showing_ = nullptr;
  QLabel* created_ = nullptr;
  QCheckBox* stayOnTop_ = nullptr;
  QLineEdit* description_ = nullptr;
  CaptionSample* sample_ = nullptr;
  QLineEdit* colorBox_ = nullptr;
  QColor noteColor_;
  RichEdit* text_ = nullptr;
  QCheckBox* reminderActive_ = nullptr;
  QComboBox* reminderType_ = nullptr;
  QTimeEdit* reminderTime_ = nullptr;
  QCalendarWidget* calendar_ = nullptr;
  int filledType_ = 0;
  QCheckBox* neverExpires_ = nullptr;
  QCheckBox* moveToTrash_ = nullptr;
  QRadioButton* expiresOnce_ = nullptr;
  QRadioButton* expiresEveryDay_ = nullptr;
  QDateEdit* expireDate_ = nullptr;
  QTimeEdit* expireTime_ = nullptr;
};

}  // namespace qp
