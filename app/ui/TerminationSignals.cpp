#include "app/ui/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>

namespace qp {

namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte down the pipe, read by the
// event loop.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (g_pipe[0] < 0 && ::pipe(g_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(g_pipe[0], &byte, 1);
    emit terminate();
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

}  // namespace qp
