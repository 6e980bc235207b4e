#pragma once
// SIGTERM and SIGINT (a logout, a service manager, Ctrl+C in a terminal)
// are an orderly shutdown: they reach the event loop as a Qt signal, so the
// notes are stored and a clean stop is recorded. kill -9 cannot be caught;
// the next start repairs after it.
#include <QObject>

namespace qp {

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);

 signals:
  void terminate();
};

}  // namespace qp
