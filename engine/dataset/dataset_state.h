#pragma once
// Vocabulary shared by the dataset framework and the table component: the
// states a dataset passes through, the ways a record is fetched, bookmark
// flags, field types, the notifications sent to data links, and the two
// exception classes through which framework operations fail.
//
// The framework reports failures by throwing: callers of the dataset layer
// (the application, data-aware controls) catch EDatabaseError where a
// failed cursor operation must not end the current action. Engine commands
// below the dataset layer never throw; the layer turns their status codes
// into these exceptions at its own boundary.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace xb {

enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};

enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
enum class TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum class TFieldType { ftUnknown, ftString, ftInteger, ftFloat, ftBoolean, ftDate, ftMemo };
enum class TFieldKind { fkData, fkCalculated };

enum class TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

enum class TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
};

// Options of Locate and Lookup.
struct TLocateOptions {
  bool case_insensitive = false;  // loCaseInsensitive
  bool partial_key = false;       // loPartialKey
};

// A failed dataset or field operation.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value that a field cannot take ("'abc' is not a valid integer value").
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline bool IsEditState(TDataSetState s) {
  return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert || s == TDataSetState::dsSetKey;
}

}  // namespace xb
