// startup_tables FOLDER TOTAL SHOWING
//
// Fills FOLDER/notes.dbf with TOTAL notes for the start-up benchmark, of
// which SHOWING are marked showing and laid out in a cascade that stays on a
// 1024 x 768 screen. The table is opened the way the program opens it
// (shared, with its memo and production index), so the program created it
// and this only appends; the index stays in step, and the next start of the
// program sees a table it could have written itself.
//
// The showing notes are spread evenly through the table rather than put
// first, so that reopening them walks the SHOWING tag over the whole file
// as it would after years of use.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/model/notes_fields.h"
#include "engine/dataset/ucommon.h"
#include "engine/dataset/uxbfds.h"
#include "engine/table/error_state.h"
#include "engine/table/xbase.h"

namespace {

constexpr int kDefaultColour = 10092543;  // the plain yellow note
constexpr int kNoteWidth = 137;
constexpr int kNoteHeight = 128;

// A short note in the rich-text form the program stores: a font table and
// one paragraph, about the size of a typical reminder.
std::string NoteText(int n) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Sans;}}\\f0\\fs18 Note " + std::to_string(n) +
         ": call the garage about the brakes, buy milk, eggs and bread, and book the dentist "
         "for next week.\\par}";
}

bool Failed(const char* step) {
  std::fprintf(stderr, "startup_tables: %s failed: %s\n", step, xb::ErrorText().c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: startup_tables FOLDER TOTAL SHOWING\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int total = std::atoi(argv[2]);
  const int showing = std::atoi(argv[3]);
  if (total <= 0 || showing < 0 || showing > total) {
    std::fprintf(stderr, "startup_tables: need 0 <= SHOWING <= TOTAL and TOTAL > 0\n");
    return 2;
  }

  xb::SetReportErrors(false);
  xb::DatasetLayerInit();

  xb::TXbDbf notes("XbNotes");
  xb::ConfigureNotesTable(notes);
  xb::DeclareNotesFields(notes);
  notes.SetDbfFileName(folder + "/notes.dbf");
  notes.Open();
  if (xb::ErrorCode() != 0 && Failed("opening notes.dbf")) return 1;

  const int every = showing > 0 ? total / showing : total + 1;
  int shown = 0;
  for (int n = 1; n <= total; ++n) {
    const bool show = showing > 0 && n % every == 0 && shown < showing;
    notes.ClearRecord();
    notes.PutField("DESC", "Benchmark note " + std::to_string(n));
    notes.PutField("SHOWING", show ? "Y" : "N");
    notes.PutField("MINIMIZED", "N");
    notes.PutField("NOTEBOARD", "1");
    notes.PutField("STAYONTOP", "N");
    notes.PutField("ALARMACT", "N");
    notes.PutField("EXPIRES", "N");
    notes.PutField("EXPIRETRSH", "Y");
    notes.PutField("CAPFONTNAM", "Sans Serif");
    notes.PutFieldFloat("CAPFONTSIZ", 8);
    notes.PutFieldInt("CAPFONTCOL", 0);
    notes.PutFieldInt("COLOR", kDefaultColour);
    notes.PutFieldInt("EXPIRETYPE", 1);
    // Twenty columns of ten rows, each note offset from the last so every
    // caption strip stays visible.
    const int slot = show ? shown : 0;
    notes.PutFieldInt("LEFT", 20 + (slot % 20) * 40);
    notes.PutFieldInt("TOP", 20 + (slot / 20) * 50);
    notes.PutFieldInt("WIDTH", kNoteWidth);
    notes.PutFieldInt("HEIGHT", kNoteHeight);
    notes.FieldByName("MEMO")->SetAsString(NoteText(n));
    if (!notes.ALock() && Failed("the append lock")) return 1;
    notes.AppendRec();
    notes.UnLock();
    if (xb::ErrorCode() != 0 && Failed("appending")) return 1;
    if (show) ++shown;
  }
  notes.Close();
  std::printf("%s/notes.dbf: appended %d notes, %d showing\n", folder.c_str(), total, shown);
  return 0;
}
