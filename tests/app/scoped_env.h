#pragma once
// Sets an environment variable for a test's lifetime and puts back what was
// there, unset included, so later tests see the machine's own value.
#include <QByteArray>
#include <QtGlobal>

namespace qp {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), saved_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, saved_);
    else
      qunsetenv(name_);
  }
  void set(const QByteArray& value) { qputenv(name_, value); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray saved_;
};

}  // namespace qp
