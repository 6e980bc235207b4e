#pragma once
// The engine-wide error state. An engine command that fails records a code
// and a text with SetError and returns a neutral value; the caller tests
// ErrorCode(). Depending on two switches an error is also reported at once:
//
//   ReportErrors  RaiseErrors  what SetError does besides recording
//   off           -            nothing
//   on            on           throws EEngineError with the two-line message
//   on            off          shows "Program halted." and ends the process
//                              with ErrorCode as its exit status
//
// The two-line message is ErrorCodeText(code) + CR LF + the text. Codes below
// 200 are the operating system's file error numbers, 200 and above the
// engine's own (ErrorCodeMeaning lists them).
#include <cstdint>
#include <stdexcept>
#include <string>

namespace xb {

class EEngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

uint16_t ErrorCode();
const std::string& ErrorText();
// Clears ErrorCode only; commands do this when they start.
void ClearErrorCode();
// Sets ErrorCode alone: no text, no pending code, no report. For results
// that are recorded but are not failures (a file search that found nothing).
void SetErrorCodeOnly(int code);

void SetError(int code, std::string text);
void ReportError();

bool ReportErrors();
bool RaiseErrors();
bool SetReportErrors(bool on);  // returns the previous value
bool SetRaiseErrors(bool on);   // returns the previous value

// ErrorCodeText(pending) + CR LF + TakeErrorText(), or "" when nothing is
// pending.
std::string GetErrorText();
// Returns ErrorText and clears it and the pending code.
std::string TakeErrorText();
// "Error # " + code + " (" + meaning + ")", or "" for 0.
std::string ErrorCodeText(int code);
// The meaning of a code, "Undefined error" when it has none.
std::string ErrorCodeMeaning(int code);

[[noreturn]] void RaiseEngineError(const std::string& text);

// Puts the whole error state back to its start values (tests, engine reset).
void ResetErrorState();

}  // namespace xb
