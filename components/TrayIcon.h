#pragma once
// TTrayNotifyIcon puts the program's icon in the desktop's status area (the
// program has no main window; the icon is how the user reaches it), shows a
// tool tip, reports single and double left clicks as separate signals and
// opens a pop-up menu on the right button. It can also keep the program's
// windows off the taskbar.
//
// Behaviour:
//   (1) Left button down starts the click timer with the double-click
//       interval; a timer already running keeps running. A double click
//       emits doubleClicked() at once and marks the click as taken. When the
//       timer runs out, clicked() is emitted unless a double click was seen.
//       So a single click is reported one double-click interval after the
//       button went down, and a double click only as doubleClicked().
//   (2) A double click that arrives with no click timer running marks
//       nothing, so it cannot swallow the next single click.
//   (3) The right button opens PopupMenu at the cursor; with no menu set (or
//       after the menu was destroyed) it does nothing.
//   (4) Hint reaches the tool tip cut to its first 63 characters.
//   (5) IconVisible adds or removes the icon only on a real change; Icon and
//       Hint changes while visible update the shown icon. An empty Icon shows
//       the application's window icon, or a standard one.
//   (6) HideTask true turns the program's parentless top-level windows into
//       tool windows, which window managers keep off the taskbar; false turns
//       them back into normal windows. Windows made later follow the setting
//       when passed to applyHideTask().
//   (7) When the desktop has no status area, TrayAvailable is false and
//       trayAvailabilityChanged(false) is emitted as the icon is made
//       visible, so the application can show a small window of its own
//       instead. While the icon should be visible and no status area exists,
//       the component looks again every few seconds; when one appears it
//       adds the icon and emits trayAvailabilityChanged(true).
//
// Input reaches the component through handleActivation() (from the status
// area service) or handleInput(); both the service and the click timer are
// replaceable, so the click logic runs without a real status area.
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <memory>

namespace qp {

// The status-area icon service.
class TrayBackend : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  virtual bool isAvailable() const = 0;
  virtual void setIcon(const QIcon& icon) = 0;
  virtual void setToolTip(const QString& tip) = 0;
  virtual void setVisible(bool visible) = 0;

 signals:
  void activated(QSystemTrayIcon::ActivationReason reason);
};

// The one-shot timer that separates single from double clicks.
class ClickTimer {
 public:
  virtual ~ClickTimer() = default;
  virtual void start(int interval_ms) = 0;
  virtual void stop() = 0;
  virtual bool isActive() const = 0;
  std::function<void()> onTimeout;
};

std::unique_ptr<TrayBackend> makeSystemTrayBackend();
std::unique_ptr<ClickTimer> makeClickTimer();

}  // namespace qp

class TTrayNotifyIcon : public QObject {
  Q_OBJECT
  Q_PROPERTY(QIcon Icon READ icon WRITE setIcon)
  Q_PROPERTY(bool HideTask READ hideTask WRITE setHideTask)
  Q_PROPERTY(QString Hint READ hint WRITE setHint)
  Q_PROPERTY(bool IconVisible READ iconVisible WRITE setIconVisible)
  Q_PROPERTY(QMenu* PopupMenu READ popupMenu WRITE setPopupMenu)
  Q_PROPERTY(bool TrayAvailable READ trayAvailable NOTIFY trayAvailabilityChanged)

 public:
  enum class Input { LeftButtonDown, LeftDoubleClick, RightButtonDown };
  static constexpr int kMaxHint = 63;
  static constexpr int kTrayRecheckMs = 3000;

  explicit TTrayNotifyIcon(QObject* owner = nullptr);
  // REQUIRES: backend and timer are not null.
  TTrayNotifyIcon(QObject* owner, std::unique_ptr<qp::TrayBackend> backend,
                  std::unique_ptr<qp::ClickTimer> timer);
  ~TTrayNotifyIcon() override;

  QIcon icon() const { return icon_; }
  void setIcon(const QIcon& icon);
  bool hideTask() const { return hide_task_; }
  void setHideTask(bool hide);
  QString hint() const { return hint_; }
  void setHint(const QString& hint);
  bool iconVisible() const { return visible_; }
  void setIconVisible(bool visible);
  QMenu* popupMenu() const { return popup_menu_; }
  void setPopupMenu(QMenu* menu) { popup_menu_ = menu; }
  bool trayAvailable() const { return backend_->isAvailable(); }

  // The tool tip as shown: Hint cut to kMaxHint characters.
  QString shownHint() const;
  // The icon as shown, with the fallback for an empty Icon.
  QIcon shownIcon() const;

  void handleActivation(QSystemTrayIcon::ActivationReason reason);
  void handleInput(Input input, const QPoint& global_pos);
  // Gives one window the taskbar treatment HideTask asks for.
  void applyHideTask(QWidget* window) const;
  // Looks whether a status area has appeared or gone since the last look.
  void recheckTray();

 signals:
  void clicked();
  void doubleClicked();
  void trayAvailabilityChanged(bool available);

 private:
  void clickTimerFired();

  std::unique_ptr<qp::TrayBackend> backend_;
  std::unique_ptr<qp::ClickTimer> click_timer_;
  QTimer recheck_timer_;
  QIcon icon_;
  QString hint_;
  QPointer<QMenu> popup_menu_;
  bool hide_task_ = false;
  bool visible_ = false;
  bool double_click_seen_ = false;
  bool tray_known_available_ = true;
};
