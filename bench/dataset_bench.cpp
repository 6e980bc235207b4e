// The dataset-level cost of the application's timer scans on a notes table:
// the reminder scan (ALARMACT tag, Find "Y", the reminder fields of every
// active note) and the expiry scan (EXPIREACT tag), over 10,000 and 100,000
// notes of which 1% have an active reminder and 1% expire. Beside them: the
// open that builds the index file, and the same reminder test done by a
// full natural-order scan, which is what the tags save. Nothing here is
// asserted.
//
// Usage: dataset_bench [--dir DIR]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/model/notes_fields.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/xbase.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Writes `count` notes straight through the engine (the fill is not what
// is measured): every hundredth note has an active reminder, every
// hundredth (offset by 50) expires.
void Fill(const std::string& path, int count) {
  xb::TXbDbf maker("Maker");
  xb::ConfigureNotesTable(maker);
  maker.SetIndexList({});
  maker.SetDbfFileName(path);
  maker.Open();
  maker.Close();
  xb::Select(1);
  xb::Use(path + " EXCLUSIVE");
  xb::WorkArea& area = *xb::CurrentArea();
  const int desc = xb::FieldNo("DESC"), alarm = xb::FieldNo("ALARMACT"), expires = xb::FieldNo("EXPIRES"),
            board = xb::FieldNo("NOTEBOARD"), showing = xb::FieldNo("SHOWING"), handle = xb::FieldNo("HANDLE"),
            time = xb::FieldNo("ALARMTIME"), type = xb::FieldNo("ALARMTYPE");
  for (int i = 0; i < count; ++i) {
    xb::ClearRecord();
    xb::PutSwapText(area, desc, "Note " + std::to_string(i));
    xb::PutSwapText(area, alarm, i % 100 == 0 ? "Y" : "N");
    xb::PutSwapText(area, expires, i % 100 == 50 ? "Y" : "N");
    xb::PutSwapText(area, board, std::to_string(1 + i % 10));
    xb::PutSwapText(area, showing, i % 7 == 0 ? "Y" : "N");
    xb::PutSwapText(area, time, "9:5");
    xb::PutSwapInt(area, handle, i);
    xb::PutSwapInt(area, type, i % 6);
    xb::Append();
  }
  xb::CloseArea();
}

// The shape of the reminder and expiry scans; returns the notes handled.
int TagScan(xb::TXbDbf& notes, const char* tag, const char* flag, bool reminder) {
  int handled = 0;
  const std::string previous = notes.CurrentTag();
  notes.SetOrderToTag(tag);
  notes.Find("Y");
  while (!notes.IsEOF() && notes.GetField(flag) == "Y") {
    if (reminder) {
      (void)notes.GetFieldInt("ALARMTYPE");
      (void)notes.GetFieldDate("ALARMDATE");
      (void)notes.GetField("ALARMTIME");
      (void)notes.GetFieldDate("DATEALMACT");
      (void)notes.GetField("TIMEALMACT");
    } else {
      (void)notes.GetFieldDate("EXPIREDATE");
      (void)notes.GetField("EXPIRETIME");
      (void)notes.GetFieldInt("EXPIRETYPE");
    }
    ++handled;
    notes.Skip(1);
  }
  notes.SetOrderToTag(previous);
  return handled;
}

int FullScan(xb::TXbDbf& notes) {
  int handled = 0;
  notes.SetOrderTo(0);
  for (notes.GoTop(); !notes.IsEOF(); notes.Skip(1))
    if (notes.GetField("ALARMACT") == "Y") ++handled;
  return handled;
}

void Run(const std::string& dir, int count) {
  const std::string path = dir + "/notes" + std::to_string(count) + ".dbf";
  std::filesystem::remove(path);
  std::filesystem::remove(dir + "/notes" + std::to_string(count) + ".dbt");
  std::filesystem::remove(dir + "/notes" + std::to_string(count) + ".mdx");
  Fill(path, count);

  xb::TXbDbf notes("XbNotes");
  xb::ConfigureNotesTable(notes);
  xb::DeclareNotesFields(notes);
  notes.SetDbfFileName(path);
  auto t0 = Clock::now();
  notes.Open();
  const double open_s = Seconds(t0);

  constexpr int kRounds = 20;
  int reminders = 0, expiries = 0;
  t0 = Clock::now();
  for (int r = 0; r < kRounds; ++r) reminders = TagScan(notes, "ALARMACT", "ALARMACT", true);
  const double reminder_ms = Seconds(t0) * 1000 / kRounds;
  t0 = Clock::now();
  for (int r = 0; r < kRounds; ++r) expiries = TagScan(notes, "EXPIREACT", "EXPIRES", false);
  const double expiry_ms = Seconds(t0) * 1000 / kRounds;
  t0 = Clock::now();
  const int full = FullScan(notes);
  const double full_ms = Seconds(t0) * 1000;
  notes.Close();

  std::printf("%9d  %12.1f  %8d  %11.2f  %8d  %9.2f  %12.1f  %8.1f\n", count, open_s * 1000, reminders,
              reminder_ms, expiries, expiry_ms, full_ms, reminders ? reminder_ms * 1000 / reminders : 0.0);
  (void)full;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = std::filesystem::temp_directory_path().string();
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--dir") dir = argv[i + 1];
  dir += "/dataset_bench_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  xb::SetReportErrors(false);
  xb::DatasetLayerInit();
  std::printf("    notes  open+index ms  reminder  reminder ms    expiry  expiry ms  full scan ms  us/note\n");
  for (int count : {10'000, 100'000}) Run(dir, count);
  std::filesystem::remove_all(dir);
  return 0;
}
