#include "components/FormPlace.h"

#include "components/IniFile.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <limits>

namespace {

const QString kSection = QStringLiteral("Screens");

// Show commands and flags of the stored value.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
constexpr int kRestoreToMaximized = 2;

// Less than this much of a window on a screen cannot be grabbed to move it.
constexpr int kMinVisible = 40;

std::optional<int> ParsePiece(const QString& piece) {
  const QString t = piece.trimmed();
  if (t.isEmpty()) return 0;
  bool ok = false;
  const int value = t.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return value;
}

// Frame sizes are known only once the window system has mapped the window;
// until then they count as zero, so the outer and inner rectangles agree.
QMargins FrameMargins(const QWidget& window) {
  const QRect inner = window.geometry();
  const QRect outer = window.frameGeometry();
  if (!outer.contains(inner)) return {};
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

qint64 DistanceSquared(const QPoint& p, const QRect& r) {
  const qint64 dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
  const qint64 dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
  return dx * dx + dy * dy;
}

}  // namespace

TFormPlace::TFormPlace(QWidget* owner) : QObject(owner), owner_(owner) {}

QString TFormPlace::entry() const {
  if (!entry_.isEmpty() || !owner_) return entry_;
  return owner_->objectName();
}

QString TFormPlace::formatPlacement(const Numbers& numbers) {
  QStringList parts;
  for (int n : numbers) parts << QString::number(n);
  return parts.join(QLatin1Char(','));
}

std::optional<TFormPlace::Numbers> TFormPlace::parsePlacement(const QString& text) {
  Numbers numbers{};
  qsizetype pos = 0;
  for (int i = 0; i < 9; ++i) {
    const qsizetype comma = text.indexOf(QLatin1Char(','), pos);
    QString piece;
    if (comma >= 0) {
      piece = text.mid(pos, comma - pos);
      pos = comma + 1;
    }
    const auto value = ParsePiece(piece);
    if (!value) return std::nullopt;
    numbers[i] = *value;
  }
  const auto last = ParsePiece(text.mid(pos));
  if (!last) return std::nullopt;
  numbers[9] = *last;
  return numbers;
}

TFormPlace::Numbers TFormPlace::placementOf(const QWidget& window) {
  const Qt::WindowStates state = window.windowState();
  int show = kShowNormal;
  if (state & Qt::WindowMinimized) show = kShowMinimized;
  else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) show = kShowMaximized;
  const int flags =
      (state & Qt::WindowMinimized) && (state & Qt::WindowMaximized) ? kRestoreToMaximized : 0;

  // normalGeometry() holds the restored rectangle only while the window is
  // not in its normal state; in the normal state it can be stale.
  QRect inner = window.geometry();
  if (show != kShowNormal && window.normalGeometry().isValid()) inner = window.normalGeometry();
  const QMargins m = FrameMargins(window);
  const QRect outer = inner.marginsAdded(m);
  return {flags,       show,        -1, -1, -1, -1, outer.left(), outer.top(),
          outer.left() + outer.width(), outer.top() + outer.height()};
}

QRect TFormPlace::keepOnScreen(const QRect& outer) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return outer;
  // A window larger than all screens together is never useful, and a
  // damaged entry must not make the window system allocate a huge surface.
  QRect desktop;
  for (QScreen* screen : screens) desktop |= screen->availableGeometry();
  const QRect clipped(outer.topLeft(), outer.size().boundedTo(desktop.size()));
  return placeOnScreens(clipped, screens);
}

QRect TFormPlace::placeOnScreens(const QRect& outer, const QList<QScreen*>& screens) {
  const int need_w = std::min(outer.width(), kMinVisible);
  const int need_h = std::min(outer.height(), kMinVisible);
  QScreen* nearest = screens.front();
  qint64 best = std::numeric_limits<qint64>::max();
  for (QScreen* screen : screens) {
    const QRect area = screen->availableGeometry();
    const QRect seen = area.intersected(outer);
    if (seen.width() >= need_w && seen.height() >= need_h && !seen.isEmpty()) return outer;
    const qint64 d = DistanceSquared(outer.center(), area);
    if (d < best) {
      best = d;
      nearest = screen;
    }
  }
  const QRect area = nearest->availableGeometry();
  const int w = std::min(outer.width(), area.width());
  const int h = std::min(outer.height(), area.height());
  const int x = std::clamp(outer.left(), area.left(), area.left() + area.width() - w);
  const int y = std::clamp(outer.top(), area.top(), area.top() + area.height() - h);
  return {x, y, w, h};
}

void TFormPlace::SavePlacement() {
  if (ini_file_name_.isEmpty() || !owner_) return;
  qp::IniFile ini(ini_file_name_);
  // A failed write leaves the old placement; there is no one to tell.
  ini.writeString(kSection, entry(), formatPlacement(placementOf(*owner_)));
}

void TFormPlace::RestorePlacement() {
  if (ini_file_name_.isEmpty() || !owner_) return;
  const qp::IniFile ini(ini_file_name_);
  const QString text = ini.readString(kSection, entry());
  if (text.isEmpty()) return;
  const auto numbers = parsePlacement(text);
  if (!numbers || (*numbers)[6] >= (*numbers)[8]) return;
  applyPlacement(*owner_, *numbers);
}

void TFormPlace::applyPlacement(QWidget& window, const Numbers& n) {
  // Edges are 32-bit; their difference need not be.
  const auto span = [](int from, int to) {
    return static_cast<int>(std::clamp<qint64>(qint64{to} - from, 1, QWIDGETSIZE_MAX));
  };
  const QRect outer = keepOnScreen(QRect(n[6], n[7], span(n[6], n[8]), span(n[7], n[9])));
  const QMargins m = FrameMargins(window);
  QSize inner = outer.marginsRemoved(m).size();
  if (inner.isEmpty()) inner = outer.size();

  Qt::WindowStates state = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized |
                                                    Qt::WindowFullScreen);
  if (state != window.windowState()) window.setWindowState(state);
  // move() places the frame's corner even before the frame is known, so the
  // position is exact; the size is off by the frame only when the window
  // is not yet on screen.
  window.resize(inner);
  window.move(outer.topLeft());
  // Show commands 0 (hide) and the activation variants restore the window
  // normally: a placement never hides the dialog that is being shown.
  switch (n[1]) {
    case kShowMinimized:
    case 6:  // minimise
    case 7:  // minimised, not activated
      state |= Qt::WindowMinimized;
      if (n[0] & kRestoreToMaximized) state |= Qt::WindowMaximized;
      break;
    case kShowMaximized:
      state |= Qt::WindowMaximized;
      break;
    default:
      break;
  }
  if (state != window.windowState()) window.setWindowState(state);
}
