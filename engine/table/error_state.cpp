#include "engine/table/error_state.h"

#include <cstdlib>

#include "platform/ui_hooks.h"

namespace xb {
namespace {

struct ErrorState {
  uint16_t code = 0;
  int16_t pending = 0;
  std::string text;
  bool report = true;
  bool raise = false;
  bool halted = false;
};

ErrorState& State() {
  static ErrorState state;
  return state;
}

}  // namespace

uint16_t ErrorCode() { return State().code; }
const std::string& ErrorText() { return State().text; }
void ClearErrorCode() { State().code = 0; }
void SetErrorCodeOnly(int code) { State().code = static_cast<uint16_t>(code); }

void SetError(int code, std::string text) {
  ErrorState& s = State();
  s.code = static_cast<uint16_t>(code);
  s.pending = static_cast<int16_t>(code);
  s.text = std::move(text);
  if (s.report) ReportError();
}

void ReportError() {
  ErrorState& s = State();
  if (s.halted) return;
  s.pending = static_cast<int16_t>(s.code);
  if (s.code == 0) return;
  std::string message = ErrorCodeText(s.code) + "\r\n" + TakeErrorText();
  if (s.raise) throw EEngineError(message);
  s.halted = true;
  platform::Ui().MessageBox("Program halted.", message.substr(0, 255), platform::MessageIcon::kError);
  std::exit(s.code);
}

bool ReportErrors() { return State().report; }
bool RaiseErrors() { return State().raise; }

bool SetReportErrors(bool on) {
  bool previous = State().report;
  State().report = on;
  return previous;
}

bool SetRaiseErrors(bool on) {
  bool previous = State().raise;
  State().raise = on;
  return previous;
}

std::string GetErrorText() {
  if (State().pending == 0) return "";
  std::string head = ErrorCodeText(static_cast<uint16_t>(State().pending));
  return head + "\r\n" + TakeErrorText();
}

std::string TakeErrorText() {
  std::string text = std::move(State().text);
  State().text.clear();
  State().pending = 0;
  return text;
}

std::string ErrorCodeText(int code) {
  if (code == 0) return "";
  return "Error # " + std::to_string(code % 100000) + " (" + ErrorCodeMeaning(code) + ")";
}

void RaiseEngineError(const std::string& text) { throw EEngineError(text); }

void ResetErrorState() { State() = ErrorState{}; }

}  // namespace xb
