#include "components/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QStyle>
#include <QStyleHints>
#include <QWidget>

#include <algorithm>

namespace qp {
namespace {

class SystemTrayBackend : public TrayBackend {
 public:
  SystemTrayBackend() {
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
  }
  bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void setIcon(const QIcon& icon) override { icon_.setIcon(icon); }
  void setToolTip(const QString& tip) override { icon_.setToolTip(tip); }
  void setVisible(bool visible) override { icon_.setVisible(visible); }

 private:
  QSystemTrayIcon icon_;
};

class QtClickTimer : public ClickTimer {
 public:
  QtClickTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (onTimeout) onTimeout();
    });
  }
  void start(int interval_ms) override { timer_.start(interval_ms); }
  void stop() override { timer_.stop(); }
  bool isActive() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

}  // namespace

std::unique_ptr<TrayBackend> makeSystemTrayBackend() { return std::make_unique<SystemTrayBackend>(); }
std::unique_ptr<ClickTimer> makeClickTimer() { return std::make_unique<QtClickTimer>(); }

}  // namespace qp

TTrayNotifyIcon::TTrayNotifyIcon(QObject* owner)
    : TTrayNotifyIcon(owner, qp::makeSystemTrayBackend(), qp::makeClickTimer()) {}

TTrayNotifyIcon::TTrayNotifyIcon(QObject* owner, std::unique_ptr<qp::TrayBackend> backend,
                                 std::unique_ptr<qp::ClickTimer> timer)
    : QObject(owner), backend_(std::move(backend)), click_timer_(std::move(timer)) {
  click_timer_->onTimeout = [this] { clickTimerFired(); };
  connect(backend_.get(), &qp::TrayBackend::activated, this, &TTrayNotifyIcon::handleActivation);
  recheck_timer_.setInterval(kTrayRecheckMs);
  connect(&recheck_timer_, &QTimer::timeout, this, &TTrayNotifyIcon::recheckTray);
}

TTrayNotifyIcon::~TTrayNotifyIcon() {
  click_timer_->onTimeout = nullptr;
  if (visible_) backend_->setVisible(false);
}

QString TTrayNotifyIcon::shownHint() const {
  qsizetype n = std::min<qsizetype>(hint_.size(), kMaxHint);
  // Never leave half of a surrogate pair at the end of the tip.
  if (n > 0 && n < hint_.size() && hint_.at(n - 1).isHighSurrogate()) --n;
  return hint_.left(n);
}

QIcon TTrayNotifyIcon::shownIcon() const {
  if (!icon_.isNull()) return icon_;
  if (!QApplication::windowIcon().isNull()) return QApplication::windowIcon();
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
    return app->style()->standardIcon(QStyle::SP_ComputerIcon);
  return {};
}

void TTrayNotifyIcon::setIcon(const QIcon& icon) {
  icon_ = icon;
  if (visible_) backend_->setIcon(shownIcon());
}

void TTrayNotifyIcon::setHint(const QString& hint) {
  const QString before = shownHint();
  hint_ = hint;
  if (visible_ && shownHint() != before) backend_->setToolTip(shownHint());
}

void TTrayNotifyIcon::setIconVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    backend_->setIcon(shownIcon());
    backend_->setToolTip(shownHint());
  }
  backend_->setVisible(visible);
  if (!visible) {
    recheck_timer_.stop();
    return;
  }
  recheckTray();
}

void TTrayNotifyIcon::recheckTray() {
  const bool available = backend_->isAvailable();
  // Look again only while someone wants the icon and there is nowhere to put it.
  if (visible_ && !available) {
    if (!recheck_timer_.isActive()) recheck_timer_.start();
  } else {
    recheck_timer_.stop();
  }
  if (available == tray_known_available_) return;
  tray_known_available_ = available;
  if (available && visible_) {
    // A status area that appeared after the icon was shown may not know it.
    backend_->setVisible(false);
    backend_->setVisible(true);
  }
  emit trayAvailabilityChanged(available);
}

void TTrayNotifyIcon::handleActivation(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      handleInput(Input::LeftButtonDown, QCursor::pos());
      break;
    case QSystemTrayIcon::DoubleClick:
      handleInput(Input::LeftDoubleClick, QCursor::pos());
      break;
    case QSystemTrayIcon::Context:
      handleInput(Input::RightButtonDown, QCursor::pos());
      break;
    default:
      break;
  }
}

void TTrayNotifyIcon::handleInput(Input input, const QPoint& global_pos) {
  switch (input) {
    case Input::LeftButtonDown:
      if (!click_timer_->isActive())
        click_timer_->start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
      break;
    case Input::LeftDoubleClick:
      if (click_timer_->isActive()) double_click_seen_ = true;
      emit doubleClicked();
      break;
    case Input::RightButtonDown:
      if (popup_menu_) popup_menu_->popup(global_pos);
      break;
  }
}

void TTrayNotifyIcon::clickTimerFired() {
  click_timer_->stop();
  const bool was_double = double_click_seen_;
  double_click_seen_ = false;
  if (!was_double) emit clicked();
}

void TTrayNotifyIcon::setHideTask(bool hide) {
  if (hide == hide_task_) return;
  hide_task_ = hide;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  for (QWidget* w : QApplication::topLevelWidgets()) applyHideTask(w);
}

void TTrayNotifyIcon::applyHideTask(QWidget* window) const {
  if (!window || !window->isWindow() || window->parentWidget()) return;
  const Qt::WindowType type = window->windowType();
  // Menus, tool tips and dialogs are never on the taskbar; leave them be.
  if (type != Qt::Window && type != Qt::Tool) return;
  const Qt::WindowType wanted = hide_task_ ? Qt::Tool : Qt::Window;
  if (type == wanted) return;
  const bool was_visible = window->isVisible();
  const QRect geometry = window->geometry();
  // Changing the window type recreates the native window, which hides it.
  window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | wanted);
  window->setGeometry(geometry);
  if (was_visible) window->show();
}
