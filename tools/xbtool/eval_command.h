#pragma once
// xbtool's expression commands: `eval TABLE EXPR [RECNO]` prints the value
// of a dBASE expression for one record or for every record, and
// DumpFilter is the record predicate behind `dump --filter EXPR`.
//
// eval prints one line per record:
//   TYPE LENGTH DECIMALS VALUE
// where VALUE is a character or memo value in double quotes (UTF-8), a
// number as the engine formats it (FormatFloat with the expression's length
// and decimals), a date as YYYYMMDD (eight blanks when blank), a logical as
// .T. or .F.. A compile error prints the engine's message and exits 1.
#include <memory>
#include <string>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/hooks.h"
#include "engine/table/work_area.h"

namespace xbtool {

// args: TABLE EXPR [RECNO]. `oem`: the table's text is OEM 437. Returns the
// tool's exit status.
int RunEval(const std::vector<std::string>& args, bool oem = false);

// A logical expression tested on the records of a table opened as a bare
// DbfFile (as dump reads it).
class DumpFilter {
 public:
  DumpFilter();
  ~DumpFilter();
  // Compiles `expr` (UTF-8; converted to the table's code page) against the
  // fields of `table`. False with the engine's error state set when it does
  // not compile or is not logical.
  bool Compile(const xb::DbfFile& table, const std::string& expr, bool oem);
  // Whether record `n`, now in table.record, passes.
  bool Passes(const xb::DbfFile& table, int32_t n);

 private:
  xb::WorkArea area_;  // the fields and the record the expression reads
  std::unique_ptr<xb::AreaExtension> filter_;
};

}  // namespace xbtool
