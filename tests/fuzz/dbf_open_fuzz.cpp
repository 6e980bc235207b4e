// Fuzz target: a table file of arbitrary bytes is opened and every record
// read (up to a cap), then closed. Opening must refuse bad input with an
// engine error, never read or write outside the buffers it sized.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/table/dbf_file.h"
#include "engine/table/error_state.h"
#include "engine/table/switches.h"

namespace {

const std::string& TablePath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = std::string(dir && *dir ? dir : "/tmp") + "/dbf_open_fuzz_" +
                    std::to_string(getpid()) + ".dbf";
    std::atexit([] { std::remove(TablePath().c_str()); });
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xb::ResetErrorState();
  xb::SetReportErrors(false);
  xb::ResetSwitches();
  {
    std::ofstream out(TablePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // The last byte picks the variants, so one corpus covers both.
  const uint8_t variant = size > 0 ? data[size - 1] : 0;
  xb::Switches().recount_on_open = (variant & 1) != 0;
  xb::DbfFile area;
  area.file_name = TablePath();
  area.file_mode = 0x40;
  area.oem = (variant & 2) != 0;
  if (xb::OpenDbf(area)) {
    const int32_t last = area.record_count < 256 ? area.record_count : 256;
    for (int32_t n = 1; n <= last; ++n)
      if (!xb::GetDbfRecord(area, n)) break;
    xb::GetDbfRecord(area, area.record_count + 1);
    xb::CloseDbf(area);
  }
  return 0;
}
