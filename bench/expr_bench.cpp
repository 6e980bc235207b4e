// Expression evaluation speed: evaluations per second of a key expression
// and of a filter on a record held in memory, and records per second of a
// filtered scan through the table engine (GoTop, Skip over a table on
// disk). Prints a table; nothing here is asserted.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/index/expr.h"
#include "engine/index/expr_hooks.h"
#include "engine/table/dbf_file.h"
#include "engine/table/error_state.h"
#include "engine/table/navigation.h"
#include "engine/table/use.h"
#include "engine/table/work_area.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEvaluations = 1'000'000;
constexpr int32_t kScanRecords = 1'000'000;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<xb::FieldDesc> NoteFields() {
  auto field = [](const char* name, char type, int length, int decimals = 0) {
    xb::FieldDesc f;
    f.name = name;
    f.type = type;
    f.length = static_cast<uint8_t>(length);
    f.decimals = static_cast<uint8_t>(decimals);
    return f;
  };
  return {field("NOTEBOARD", 'C', 40), field("ALARMACT", 'C', 1), field("DATECREATE", 'D', 8),
          field("HANDLE", 'N', 10)};
}

// Record i: NOTEBOARD "board <i>", ALARMACT Y for every third record,
// DATECREATE spread over 2000..2035 (so some lie after today).
std::string RecordImage(int32_t i) {
  char board[41];
  std::snprintf(board, sizeof board, "%-40s", ("board " + std::to_string(i % 97)).c_str());
  char date[9];
  std::snprintf(date, sizeof date, "%04d%02d%02d", 2000 + i % 36, 1 + i % 12, 1 + i % 28);
  char handle[11];
  std::snprintf(handle, sizeof handle, "%10d", i);
  return std::string(" ") + board + (i % 3 == 0 ? "Y" : "N") + date + handle;
}

double EvaluationsPerSecond(xb::WorkArea& area, const char* text) {
  auto expr = xb::AssignExprFor(text, &area);
  if (expr == nullptr) {
    std::fprintf(stderr, "%s: %s\n", text, xb::ErrorText().c_str());
    return 0;
  }
  // Eight record images in turn, so the branch predictor sees varied data.
  std::vector<std::string> images;
  for (int i = 0; i < 8; ++i) images.push_back(RecordImage(i));
  long sink = 0;
  const auto start = Clock::now();
  for (int i = 0; i < kEvaluations; ++i) {
    const std::string& image = images[i & 7];
    std::memcpy(area.dbf.record.data(), image.data(), image.size());
    const xb::ExprResult* r = xb::EvaluateFor(expr.get(), &area);
    sink += r->logical + static_cast<long>(r->text.size());
  }
  const double seconds = Seconds(start);
  if (sink == 42) std::puts("");
  return kEvaluations / seconds;
}

// Writes the table file directly (CreateDbf for the header, then the record
// images and the count), which is far quicker than appending through the
// engine and gives the same file.
bool BuildTable(const std::string& path, int32_t count) {
  xb::DbfFile scratch;
  if (!xb::CreateDbf(scratch, path, NoteFields())) return false;
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  char header[32];
  file.read(header, sizeof header);
  const uint16_t header_length = static_cast<uint8_t>(header[8]) | (static_cast<uint8_t>(header[9]) << 8);
  file.seekp(header_length);
  std::string block;
  for (int32_t i = 1; i <= count; ++i) {
    block += RecordImage(i);
    if (block.size() > (1 << 20)) {
      file.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  block.push_back('\x1a');
  file.write(block.data(), static_cast<std::streamsize>(block.size()));
  const uint32_t n = static_cast<uint32_t>(count);
  const char bytes[4] = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                         static_cast<char>(n >> 24)};
  file.seekp(4);
  file.write(bytes, 4);
  return static_cast<bool>(file);
}

void Scan(const std::string& path, const char* filter) {
  if (!xb::Use(path + " EXCLUSIVE")) {
    std::fprintf(stderr, "Use: %s\n", xb::ErrorText().c_str());
    return;
  }
  xb::Set_Filter_To(filter);
  const auto start = Clock::now();
  int32_t visible = 0;
  for (xb::GoTop(); !xb::dEOF(); xb::Skip(1)) ++visible;
  const double seconds = Seconds(start);
  std::printf("%-52s %12.0f records/s (%d of %d pass, %.2f s)\n",
              (std::string("scan, filter ") + (*filter ? filter : "(none)")).c_str(),
              xb::RecCount() / seconds, visible, xb::RecCount(), seconds);
  xb::CloseArea();
}

}  // namespace

int main() {
  xb::SetReportErrors(false);
  xb::ExpressionInit();

  xb::WorkArea area;
  area.dbf.fields = NoteFields();
  uint16_t offset = 1;
  for (auto& f : area.dbf.fields) {
    f.offset = offset;
    offset = static_cast<uint16_t>(offset + f.length);
  }
  area.dbf.record.assign(offset, ' ');
  area.dbf.record_count = 8;
  area.dbf.current_record = 1;

  std::printf("%-52s %12s\n", "expression", "per second");
  for (const char* text : {"upper(NOTEBOARD)", "ALARMACT == \"Y\" .AND. DATECREATE < DATE()",
                           "DTOS(DATECREATE) + STR(HANDLE, 10)"}) {
    std::printf("%-52s %12.0f evaluations/s\n", text, EvaluationsPerSecond(area, text));
  }

  const auto dir = std::filesystem::temp_directory_path() / ("qp_expr_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "scan.dbf").string();
  if (!BuildTable(path, kScanRecords)) {
    std::fprintf(stderr, "cannot build %s: %s\n", path.c_str(), xb::ErrorText().c_str());
    return 1;
  }
  xb::Select(1);
  Scan(path, "");
  Scan(path, "ALARMACT == \"Y\" .AND. DATECREATE < DATE()");
  std::filesystem::remove_all(dir);
  return 0;
}
