#pragma once
// Stores a note soon after the user stops changing it, so a crash or a
// power cut loses at most the last couple of seconds of typing. Every
// change restarts the wait; focus leaving the window stores at once.
#include <QObject>
#include <QTimer>

namespace qp {

class Autosave : public QObject {
  Q_OBJECT
 public:
  static constexpr int kQuietMs = 2000;
  explicit Autosave(QObject* parent = nullptr, int quietMs = kQuietMs);

  bool pending() const { return pending_; }
  // Something changed: store after the quiet time.
  void changed();
  // Store now when something is pending (focus left, window closing).
  void flush();
  // The store happened some other way (hide, shutdown): nothing pending.
  void clear();
  // The store was refused (busy or locked): try again after the quiet time.
  void retry();

 signals:
  void storeNow();

 private:
  QTimer timer_;
  bool pending_ = false;
};

}  // namespace qp
