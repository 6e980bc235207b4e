#include "app/model/Autosave.h"

namespace qp {

Autosave::Autosave(QObject* parent, int quietMs) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setInterval(quietMs);
  connect(&timer_, &QTimer::timeout, this, &Autosave::flush);
}

void Autosave::changed() {
  pending_ = true;
  timer_.start();
}

void Autosave::flush() {
  timer_.stop();
  if (!pending_) return;
  pending_ = false;
  emit storeNow();
}

void Autosave::clear() {
  timer_.stop();
  pending_ = false;
}

void Autosave::retry() {
  pending_ = true;
  timer_.start();
}

}  // namespace qp
