#pragma once
// Status and Result carry a failure inside the engine as an engine error
// code (the numbers of error_codes.cpp) and the message text, until the
// command boundary turns it into the engine's error state with Fail().
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace xb {

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(int code, std::string text) : code_(code), text_(std::move(text)) {}
  static Status OK() { return {}; }

  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  const std::string& text() const { return text_; }

 private:
  int code_ = 0;
  std::string text_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) {}  // NOLINT

  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T& operator*() { return *value_; }
  T* operator->() { return &*value_; }

 private:
  Status status_;
  std::optional<T> value_;
};

// Records `status` in the engine's error state (SetError) and returns
// `neutral`, the value an engine command gives back on failure.
template <typename T>
T Fail(const Status& status, T neutral);
bool Fail(const Status& status);  // returns false

}  // namespace xb

#include "engine/table/error_state.h"

namespace xb {
template <typename T>
T Fail(const Status& status, T neutral) {
  SetError(status.code(), status.text());
  return neutral;
}
inline bool Fail(const Status& status) { return Fail(status, false); }
}  // namespace xb
