#pragma once
// TFormPlace keeps a window's placement (position, size and normal,
// minimised or maximised state) in an INI file, so a dialog reappears where
// the user left it. The owning form calls RestorePlacement when it is shown
// and SavePlacement when it is destroyed.
//
// Stored value: section "Screens", key Entry, ten decimal integers joined by
// "," without blanks, in this order:
//
//   #   MEANING                         WRITTEN AS
//   1   flags                           2 when minimised from maximised, else 0
//   2   show command                    1 normal, 2 minimised, 3 maximised
//   3,4 minimised position x, y         -1, -1
//   5,6 maximised position x, y         -1, -1
//   7,8 normal rectangle left, top      outer edges of the restored window
//   9,10 normal rectangle right, bottom exclusive: right = left + width
//
// The order and meaning match placements written by earlier versions of the
// program, so existing Config.cfg files restore unchanged. Those versions cut
// the text at 40 characters, which dropped digits of the bottom edge once
// coordinates were large or negative; the whole text is written now, and a
// cut text still reads by rule (2).
//
// Promises:
//   (1) Saving then restoring gives back the same normal rectangle and state.
//   (2) Reading takes the numbers left to right: each of the first nine runs
//       up to the next ",", and when no "," remains it is 0 and the rest of
//       the text is left for the tenth. So "1,2,3" reads as 1,2,0,...,0,3.
//   (3) A placement is applied only when it was read completely (every piece
//       empty or a whole number) and its left edge is less than its right;
//       otherwise the window keeps its designed position.
//   (4) A placement larger than the desktop is cut to its size, and one
//       whose window would not show on any screen is moved, and if need be
//       shrunk, onto the screen nearest to it.
//   (5) With IniFileName empty nothing touches a file.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QScreen;

#include <array>
#include <optional>

class TFormPlace : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString IniFileName READ iniFileName WRITE setIniFileName)
  Q_PROPERTY(QString Entry READ entry WRITE setEntry)

 public:
  using Numbers = std::array<int, 10>;

  explicit TFormPlace(QWidget* owner);

  QString iniFileName() const { return ini_file_name_; }
  void setIniFileName(const QString& name) { ini_file_name_ = name; }
  // The owner's objectName when no entry was set.
  QString entry() const;
  void setEntry(const QString& entry) { entry_ = entry; }

  virtual void SavePlacement();
  virtual void RestorePlacement();

  // The stored text and its numbers, public so the format can be tested
  // without a window.
  static QString formatPlacement(const Numbers& numbers);
  static std::optional<Numbers> parsePlacement(const QString& text);
  // The window's placement in stored form.
  static Numbers placementOf(const QWidget& window);
  // Cuts a rectangle to the size of the desktop and moves one that would
  // show on no screen onto the nearest screen; leaves it where it is when
  // enough of it is visible to grab.
  static QRect keepOnScreen(const QRect& outer);

 private:
  static QRect placeOnScreens(const QRect& outer, const QList<QScreen*>& screens);
  void applyPlacement(QWidget& window, const Numbers& numbers);

  QPointer<QWidget> owner_;
  QString ini_file_name_ = QStringLiteral("DIMWIN.INI");
  QString entry_;
};
